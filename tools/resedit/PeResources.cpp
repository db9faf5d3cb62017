#include "tools/resedit/PeResources.h"

#include <algorithm>
#include <limits>

#include "storage/ContainerFormat.h"
#include "tools/resedit/PeHeaders.h"
#include "tools/resedit/ResourceTree.h"

namespace resedit {

namespace {

using storage::LoadLE16;
using storage::LoadLE32;
using storage::StoreLE32;

constexpr std::size_t kDebugEntrySize = 28;

bool Less(const Resource& r, const ResourceKey& type, const ResourceKey& name, std::uint16_t language) {
    if (auto c = r.type <=> type; c != 0) return c < 0;
    if (auto c = r.name <=> name; c != 0) return c < 0;
    return r.language < language;
}

// Where Write puts the new resource tree.
//  - In place of the old resource section when nothing that code refers to follows
//    it: it is the last section, or only the base relocation section follows, which
//    nothing addresses but its data directory and which moves up behind it.
//  - Otherwise as a new last section; the old section's bytes stay where they are,
//    unreferenced, so no address in the program changes.
struct Placement {
    std::optional<std::size_t> rewritten;  // the section rewritten in place
    std::optional<std::size_t> moved;      // the relocation section moved behind it
};

// True when a data directory other than the resources and the relocations, or the entry
// point, lies at or above rva: something there that a rewrite in place would move.
// (ReadPeHeaders made sure that every directory and the entry point lie in a section.)
bool CodeRefersAtOrAbove(const PeHeaders& pe, std::uint32_t rva) {
    for (std::size_t i = 0; i < pe.directories.size(); ++i) {
        if (i == kResourceDirectory || i == kBaseRelocationDirectory || i == kSecurityDirectory) continue;
        if (pe.directories[i].rva >= rva) return true;
    }
    return pe.entryPoint >= rva;
}

// The section holding only the base relocations, none of which patches an address at
// or above `from` (the resource section and what follows it).
bool OnlyRelocations(std::span<const std::uint8_t> file, const PeHeaders& pe, const SectionHeader& s,
                     std::uint32_t from) {
    const DataDirectory relocs = pe.Directory(kBaseRelocationDirectory);
    if (relocs.rva != s.virtualAddress || relocs.size == 0 || relocs.size > s.Extent()) return false;
    const std::uint8_t* table = pe.BytesAt(file, relocs.rva, relocs.size);
    if (!table) return false;
    for (std::size_t at = 0; at + 8 <= relocs.size;) {
        const std::uint32_t page = LoadLE32(table + at);
        const std::uint32_t blockSize = LoadLE32(table + at + 4);
        if (blockSize < 8 || blockSize > relocs.size - at || page >= from) return false;
        at += blockSize;
    }
    return true;
}

// True when no debug directory entry keeps its data in the file at or after `from`,
// which a rewrite in place would move. (ReadPeHeaders made sure the entries can be read.)
bool DebugDataBefore(std::span<const std::uint8_t> file, const PeHeaders& pe, std::uint32_t from) {
    const DataDirectory debug = pe.Directory(kDebugDirectory);
    if (debug.size == 0) return true;
    const std::uint8_t* entries = pe.BytesAt(file, debug.rva, debug.size);
    for (std::size_t at = 0; at + kDebugEntrySize <= debug.size; at += kDebugEntrySize) {
        const std::uint32_t size = LoadLE32(entries + at + 16);
        const std::uint32_t pointer = LoadLE32(entries + at + 24);
        // Data beyond the file's end is not data of this file; nothing there moves.
        if (size != 0 && pointer < file.size() && pointer + std::uint64_t{size} > from) return false;
    }
    return true;
}

Placement Plan(std::span<const std::uint8_t> file, const PeHeaders& pe) {
    const DataDirectory resources = pe.Directory(kResourceDirectory);
    if (resources.rva == 0) return {};
    const std::size_t count = pe.sections.size();
    for (std::size_t k = 0; k < count; ++k) {
        const SectionHeader& s = pe.sections[k];
        if (s.virtualAddress != resources.rva) continue;
        if (CodeRefersAtOrAbove(pe, s.virtualAddress) || !DebugDataBefore(file, pe, s.rawOffset)) return {};
        const std::uint32_t relocations = pe.Directory(kBaseRelocationDirectory).rva;
        if (k + 1 == count) return relocations < s.virtualAddress ? Placement{k, std::nullopt} : Placement{};
        if (k + 2 == count && OnlyRelocations(file, pe, pe.sections[k + 1], s.virtualAddress)) return {k, k + 1};
        return {};
    }
    return {};
}

constexpr std::uint32_t kPageSize = storage::kResourcePageSize;

// The zero bytes that move section data meant for rawOffset to the next page of
// the file, taken into the raw data of section `before`, which ends at rawOffset
// and whose address range has room for them (its raw size may exceed its virtual
// size, as the loader maps no more than the latter). 0 when rawOffset is on a page
// or no such room is there, and nothing moves then: the file's sections stay back
// to back, as a signature's hash reads them.
std::uint32_t PagePadding(const PeHeaders& pe, std::size_t before, std::uint64_t rawOffset) {
    const std::uint64_t padding = AlignUp(rawOffset, kPageSize) - rawOffset;
    if (padding == 0 || pe.sectionAlignment < kPageSize) return 0;
    const SectionHeader& s = pe.sections[before];
    if (s.rawSize == 0 || s.rawOffset + std::uint64_t{s.rawSize} != rawOffset) return 0;
    return s.rawSize + padding <= AlignUp(s.Extent(), pe.sectionAlignment) ? static_cast<std::uint32_t>(padding) : 0;
}

void StoreSectionHeader(std::uint8_t* p, const std::string& name, std::uint32_t virtualSize, std::uint32_t rva,
                        std::uint32_t rawSize, std::uint32_t rawOffset) {
    for (std::size_t i = 0; i < 8; ++i) p[i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
    StoreLE32(p + 8, virtualSize);
    StoreLE32(p + 12, rva);
    StoreLE32(p + 16, rawSize);
    StoreLE32(p + 20, rawOffset);
}

}  // namespace

ResourceKey ResourceKey::Number(std::uint16_t id) { return ResourceKey{id, {}}; }

ResourceKey ResourceKey::Named(std::u16string_view name) {
    return Named(std::make_shared<const std::u16string>(name));
}

ResourceKey ResourceKey::Named(std::shared_ptr<const std::u16string> name) { return ResourceKey{std::nullopt, std::move(name)}; }

std::strong_ordering operator<=>(const ResourceKey& a, const ResourceKey& b) {
    if (a.id && b.id) return *a.id <=> *b.id;
    if (a.id || b.id) return a.id ? std::strong_ordering::greater : std::strong_ordering::less;
    if (a.sharedName == b.sharedName) return std::strong_ordering::equal;
    return a.Name().compare(b.Name()) <=> 0;
}

bool ReadPeResources(std::span<const std::uint8_t> bytes, std::vector<Resource>& resources, std::string& error) {
    PeHeaders pe;
    return ReadPeHeaders(bytes, pe, error, true) && ReadResourceTree(bytes, pe, resources, error);
}

bool PeFile::Parse(std::span<const std::uint8_t> bytes, PeFile& out, std::string& error) {
    PeHeaders pe;
    std::vector<Resource> resources;
    if (!ReadPeHeaders(bytes, pe, error) || !ReadResourceTree(bytes, pe, resources, error)) return false;
    out.image_.assign(bytes.begin(), bytes.end());
    out.resources_ = std::move(resources);
    out.pe32Plus_ = pe.pe32Plus;
    out.machine_ = pe.machine;
    return true;
}

bool PeFile::IsPe32Plus() const { return pe32Plus_; }

std::uint16_t PeFile::Machine() const { return machine_; }

const std::vector<Resource>& PeFile::Resources() const { return resources_; }

const Resource* PeFile::Find(const ResourceKey& type, const ResourceKey& name, std::uint16_t language) const {
    const auto it = std::lower_bound(resources_.begin(), resources_.end(), 0, [&](const Resource& r, int) {
        return Less(r, type, name, language);
    });
    if (it == resources_.end() || !(it->type == type) || !(it->name == name) || it->language != language) return nullptr;
    return &*it;
}

void PeFile::SetResource(Resource resource) {
    const auto it = std::lower_bound(resources_.begin(), resources_.end(), 0, [&](const Resource& r, int) {
        return Less(r, resource.type, resource.name, resource.language);
    });
    if (it != resources_.end() && it->type == resource.type && it->name == resource.name &&
        it->language == resource.language)
        *it = std::move(resource);
    else
        resources_.insert(it, std::move(resource));
}

std::size_t PeFile::RemoveResource(const ResourceKey& type, const ResourceKey& name) {
    return std::erase_if(resources_, [&](const Resource& r) { return r.type == type && r.name == name; });
}

std::size_t PeFile::RemoveType(const ResourceKey& type) {
    return std::erase_if(resources_, [&](const Resource& r) { return r.type == type; });
}

bool PeFile::Write(std::vector<std::uint8_t>& out, std::string& error) const {
    if (std::any_of(resources_.begin(), resources_.end(), [](const Resource& r) { return r.stream != nullptr; })) {
        error = "internal error: a streamed resource is written into a file, not into memory";
        return false;
    }
    storage::VectorSink sink;
    if (!Write(sink, error)) return false;
    // The result must read as the same kind of file; a failure here is a fault of the layout.
    PeHeaders written;
    if (!ReadPeHeaders(sink.Bytes(), written, error)) {
        error = "internal error: the rewritten file does not read back (" + error + ")";
        return false;
    }
    out = std::move(sink.Bytes());
    return true;
}

bool PeFile::Write(storage::PatchableSink& sink, std::string& error) const {
    PeHeaders pe;
    if (!ReadPeHeaders(image_, pe, error)) return false;
    const Placement plan = Plan(image_, pe);
    const SectionHeader& last = pe.sections.back();

    std::uint32_t rva = 0;
    std::uint32_t rawOffset = 0;
    std::size_t kept = 0;  // bytes of the old file copied unchanged
    std::size_t headerAt = 0;
    std::string name = ".rsrc";
    // Moved by what the section gives up and takes; a nonsense value saturates rather than wraps.
    std::uint64_t initializedData = pe.sizeOfInitializedData;
    if (plan.rewritten) {
        const SectionHeader& s = pe.sections[*plan.rewritten];
        rva = s.virtualAddress;
        rawOffset = s.rawOffset;
        kept = s.rawOffset;
        headerAt = s.headerAt;
        name = s.name;
        if (s.characteristics & kSectionInitializedData) initializedData -= std::min<std::uint64_t>(initializedData, s.rawSize);
    } else {
        headerAt = pe.sectionTableAt + pe.sections.size() * kSectionHeaderSize;
        const bool room = pe.sections.size() < 96 && headerAt + kSectionHeaderSize <= pe.sizeOfHeaders &&
                          std::all_of(image_.begin() + static_cast<std::ptrdiff_t>(headerAt),
                                      image_.begin() + static_cast<std::ptrdiff_t>(headerAt + kSectionHeaderSize),
                                      [](std::uint8_t b) { return b == 0; });
        if (!room) {
            error = "the resource section cannot be rewritten in place and the headers have no room for another section";
            return false;
        }
        const std::uint64_t next = AlignUp(std::uint64_t{last.virtualAddress} + last.Extent(), pe.sectionAlignment);
        if (next > 0x80000000u) {
            error = "the image is too large for another section";
            return false;
        }
        rva = static_cast<std::uint32_t>(next);
        rawOffset = static_cast<std::uint32_t>(AlignUp(pe.imageEnd, pe.fileAlignment));
        kept = pe.imageEnd;
    }
    // The section before the new data takes zeros that move the data onto a page.
    const std::size_t widened = (plan.rewritten ? *plan.rewritten : pe.sections.size()) - 1;
    const std::uint32_t padding = widened < pe.sections.size() ? PagePadding(pe, widened, rawOffset) : 0;
    rawOffset += padding;

    std::vector<std::uint8_t> tree;
    std::vector<StreamedData> streamed;
    if (!BuildResourceTree(resources_, rva, tree, streamed, error)) return false;
    // The streamed data is not in `tree` nor in `file` below: offsets past it add its size.
    std::uint64_t streamedBytes = 0;
    for (const StreamedData& s : streamed) streamedBytes += s.resource->Size();
    const std::uint64_t treeSize = tree.size() + streamedBytes;
    const std::uint64_t rawSize = AlignUp(treeSize, pe.fileAlignment);
    std::uint64_t imageEnd = AlignUp(std::uint64_t{rva} + treeSize, pe.sectionAlignment);
    std::uint64_t movedRva = imageEnd;
    if (plan.moved) imageEnd = AlignUp(movedRva + pe.sections[*plan.moved].Extent(), pe.sectionAlignment);
    if (imageEnd > 0x80000000u || rawOffset + rawSize > std::numeric_limits<std::uint32_t>::max() / 2) {
        error = "the file would grow beyond 2 GB";
        return false;
    }
    if (!plan.rewritten || (pe.sections[*plan.rewritten].characteristics & kSectionInitializedData))
        initializedData += rawSize;

    std::vector<std::uint8_t> file(image_.begin(), image_.begin() + static_cast<std::ptrdiff_t>(kept));
    file.resize(rawOffset, 0);
    const std::size_t treeAt = file.size();
    file.insert(file.end(), tree.begin(), tree.end());
    file.resize(static_cast<std::size_t>(rawOffset + rawSize - streamedBytes), 0);
    StoreSectionHeader(file.data() + headerAt, name, static_cast<std::uint32_t>(treeSize), rva,
                       static_cast<std::uint32_t>(rawSize), rawOffset);
    if (!plan.rewritten) {
        StoreLE32(file.data() + headerAt + 36, kSectionInitializedData | kSectionMemRead);
        const std::uint16_t count = static_cast<std::uint16_t>(pe.sections.size() + 1);
        file[pe.coffAt + 2] = static_cast<std::uint8_t>(count);
        file[pe.coffAt + 3] = static_cast<std::uint8_t>(count >> 8);
    }
    if (padding != 0) {
        const SectionHeader& s = pe.sections[widened];
        StoreLE32(file.data() + s.headerAt + 16, s.rawSize + padding);
        if (s.characteristics & kSectionInitializedData) initializedData += padding;
    }
    if (plan.moved) {
        const SectionHeader& s = pe.sections[*plan.moved];
        const std::uint32_t movedRaw = static_cast<std::uint32_t>(file.size() + streamedBytes);
        file.insert(file.end(), image_.begin() + s.rawOffset, image_.begin() + s.rawOffset + s.rawSize);
        file.resize(static_cast<std::size_t>(AlignUp(file.size() + streamedBytes, pe.fileAlignment) - streamedBytes), 0);
        StoreSectionHeader(file.data() + s.headerAt, s.name, s.virtualSize, static_cast<std::uint32_t>(movedRva),
                           s.rawSize, movedRaw);
        StoreLE32(file.data() + pe.dataDirectoriesAt + kBaseRelocationDirectory * 8,
                  static_cast<std::uint32_t>(movedRva));
    }
    StoreLE32(file.data() + pe.dataDirectoriesAt + kResourceDirectory * 8, rva);
    StoreLE32(file.data() + pe.dataDirectoriesAt + kResourceDirectory * 8 + 4, static_cast<std::uint32_t>(treeSize));
    StoreLE32(file.data() + pe.optionalAt + kSizeOfImageAt, static_cast<std::uint32_t>(imageEnd));
    StoreLE32(file.data() + pe.optionalAt + kSizeOfInitializedDataAt,
              static_cast<std::uint32_t>(std::min<std::uint64_t>(initializedData, 0xFFFFFFFFu)));
    const std::size_t checksumAt = pe.optionalAt + kCheckSumAt;
    StoreLE32(file.data() + checksumAt, 0);

    // The bytes in order, the streamed data between them; the checksum is summed on the way.
    PeChecksumSum checksum;
    const auto put = [&](std::span<const std::uint8_t> bytes) {
        checksum.Add(bytes);
        return sink.Write(bytes, error);
    };
    std::size_t from = 0;
    for (const StreamedData& s : streamed) {
        const std::span<const std::uint8_t> before(file.data() + from, treeAt + s.at - from);
        if (!put(before) || !storage::ForEachChunk(*s.resource->stream, put, error)) return false;
        from = treeAt + s.at;
    }
    if (!put(std::span<const std::uint8_t>(file.data() + from, file.size() - from))) return false;
    std::uint8_t sum[4];
    StoreLE32(sum, checksum.Finish());
    return sink.Patch(checksumAt, sum, error);
}

}  // namespace resedit
