// Opening the container from the program's own resources. The bytes belong to the
// loaded image and stay valid until the process ends, so they are read in place.
#include <windows.h>

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
}  // namespace

bool Storage::Open(int resourceId) {
    if (RefuseSecondOpen()) return false;
    framework::WaitCursor wait;
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    FindStorageResource(resourceId, bytes, length);
    return OpenContainer(bytes, length);
}

}  // namespace storage
