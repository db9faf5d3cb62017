// Opening the container from the program's own resources. The bytes belong to the
// loaded image and stay valid until the process ends, so they are read in place.
#include <windows.h>

#include <cstdint>

#include "framework/UserMessages.h"
#include "storage/Storage.h"

namespace storage {

namespace {
// The resource's bytes and length; a missing resource is a container of length 0.
void FindStorageResource(int resourceId, const std::uint8_t*& bytes, std::size_t& length) {
    bytes = nullptr;
    length = 0;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId & 0xFFFF), "STORAGE");
    if (!resource) return;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (!loaded) return;
    const void* locked = LockResource(loaded);
    if (!locked) return;
    bytes = static_cast<const std::uint8_t*>(locked);
    length = SizeofResource(nullptr, resource);
}

constexpr std::uintptr_t kPageSize = kResourcePageSize;

// Whether the loader mapped the image section that holds bytes straight from the
// program's file, which it does when the section's data starts on a page of the
// file (tkds make puts the resource section there). Its pages are then backed by
// the file and can always be read from it again; a loader that read the section
// into memory of its own instead would give zeros for a page it was told to drop.
bool MappedFromFile(const std::uint8_t* bytes) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    const std::uintptr_t rva = static_cast<std::uintptr_t>(bytes - base);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (rva >= section->VirtualAddress && rva - section->VirtualAddress < section->Misc.VirtualSize)
            return section->PointerToRawData % kPageSize == 0 && nt->OptionalHeader.SectionAlignment >= kPageSize;
    }
    return false;
}

// A payload node is read once, front to back. The whole pages it has read leave
// the working set (VirtualUnlock does that for pages that are not locked), and
// their contents are marked as not needed (MEM_RESET): Windows refuses that for
// pages mapped from a file and keeps them as they are, while Wine, which maps an
// image's sections as private copies of the file, drops them. A page touched
// again is read from the file again. Without this, every byte of a payload
// would stay resident until the program ends.
void ReleaseReadPages(const std::uint8_t* bytes, std::size_t length) {
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(bytes) + kPageSize - 1) & ~(kPageSize - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(bytes) + length) & ~(kPageSize - 1);
    if (end <= first) return;
    void* pages = reinterpret_cast<void*>(first);
    VirtualUnlock(pages, end - first);
    VirtualAlloc(pages, end - first, MEM_RESET, PAGE_READONLY);
}
}  // namespace

bool Storage::Open(int resourceId) {
    if (RefuseSecondOpen()) return false;
    framework::WaitCursor wait;
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    FindStorageResource(resourceId, bytes, length);
    if (!OpenContainer(bytes, length)) return false;
    if (MappedFromFile(bytes)) storedBytesRead_ = &ReleaseReadPages;
    return true;
}

}  // namespace storage
