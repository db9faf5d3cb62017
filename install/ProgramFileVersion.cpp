#include "install/ProgramFileVersion.h"

#include <cstddef>

#include "install/VersionInfo.h"

namespace install {

namespace {

constexpr std::size_t kPeOffsetAt = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoryCountAt = 92;
constexpr std::size_t kPe32PlusDirectoryCountAt = 108;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kTreeDirectorySize = 16;
constexpr std::size_t kTreeEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint32_t kVersionType = 16;

class Image {
public:
    explicit Image(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Holds(std::size_t offset, std::size_t length) const noexcept {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    // Callers check Holds first.
    std::uint16_t U16(std::size_t offset) const noexcept {
        return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    std::uint32_t U32(std::size_t offset) const noexcept {
        return U16(offset) | static_cast<std::uint32_t>(U16(offset + 2)) << 16;
    }
    std::span<const std::uint8_t> Part(std::size_t offset, std::size_t length) const noexcept {
        return bytes_.subspan(offset, length);
    }

private:
    std::span<const std::uint8_t> bytes_;
};

struct Headers {
    std::size_t sectionTable = 0;
    std::uint16_t sectionCount = 0;
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
};

std::optional<Headers> ReadHeaders(const Image& image) {
    if (!image.Holds(0, kPeOffsetAt + 4) || image.U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
    const std::size_t pe = image.U32(kPeOffsetAt);
    if (!image.Holds(pe, 4 + kCoffHeaderSize) || image.U32(pe) != kPeSignature) return std::nullopt;
    const std::size_t coff = pe + 4;
    Headers headers;
    headers.sectionCount = image.U16(coff + 2);
    const std::size_t optional = coff + kCoffHeaderSize;
    const std::size_t optionalSize = image.U16(coff + 16);
    headers.sectionTable = optional + optionalSize;
    if (!image.Holds(optional, optionalSize) || optionalSize < 2) return std::nullopt;
    const std::uint16_t magic = image.U16(optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return std::nullopt;
    const std::size_t countAt = magic == kPe32Magic ? kPe32DirectoryCountAt : kPe32PlusDirectoryCountAt;
    if (optionalSize < countAt + 4 || image.U32(optional + countAt) <= kResourceDirectory) return std::nullopt;
    const std::size_t resource = optional + countAt + 4 + kResourceDirectory * 8;
    if (resource + 8 > optional + optionalSize) return std::nullopt;
    headers.resourceRva = image.U32(resource);
    headers.resourceSize = image.U32(resource + 4);
    if (!image.Holds(headers.sectionTable, std::size_t(headers.sectionCount) * kSectionHeaderSize)) return std::nullopt;
    return headers;
}

// The file offset of the bytes [rva, rva + length) when they lie in one section's
// data in the file.
std::optional<std::size_t> FileOffset(const Image& image, const Headers& headers, std::uint32_t rva,
                                      std::uint32_t length) {
    for (std::size_t index = 0; index < headers.sectionCount; ++index) {
        const std::size_t section = headers.sectionTable + index * kSectionHeaderSize;
        const std::uint32_t address = image.U32(section + 12);
        const std::uint32_t rawSize = image.U32(section + 16);
        const std::uint32_t rawOffset = image.U32(section + 20);
        if (rva < address || rva - address >= rawSize) continue;
        const std::uint32_t inside = rva - address;
        if (length > rawSize - inside || !image.Holds(std::size_t(rawOffset) + inside, length)) return std::nullopt;
        return std::size_t(rawOffset) + inside;
    }
    return std::nullopt;
}

// The target of the entry numbered id (or of the first entry, for no id) in the
// directory at offset inside the tree [tree, tree + size).
std::optional<std::uint32_t> FindEntry(const Image& image, std::size_t tree, std::uint32_t size, std::uint32_t offset,
                                       std::optional<std::uint32_t> id) {
    if (offset > size || size - offset < kTreeDirectorySize) return std::nullopt;
    const std::size_t directory = tree + offset;
    const std::size_t named = image.U16(directory + 12);
    const std::size_t numbered = image.U16(directory + 14);
    if ((named + numbered) * kTreeEntrySize > size - offset - kTreeDirectorySize) return std::nullopt;
    // Named entries come first; a number is looked for among the numbered ones.
    const std::size_t first = id ? named : 0;
    for (std::size_t index = first; index < named + numbered; ++index) {
        const std::size_t entry = directory + kTreeDirectorySize + index * kTreeEntrySize;
        if (!id || image.U32(entry) == *id) return image.U32(entry + 4);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> ReadProgramFileVersion(std::span<const std::uint8_t> bytes) {
    const Image image(bytes);
    const std::optional<Headers> headers = ReadHeaders(image);
    if (!headers || headers->resourceSize == 0) return std::nullopt;
    const std::optional<std::size_t> tree = FileOffset(image, *headers, headers->resourceRva, headers->resourceSize);
    if (!tree) return std::nullopt;

    // Type, then name: subdirectories; then the first language: a data entry.
    std::uint32_t target = 0;
    const std::optional<std::uint32_t> levels[] = {kVersionType, version_layout::kResourceId, std::nullopt};
    for (std::size_t level = 0; level < 3; ++level) {
        const std::optional<std::uint32_t> found = FindEntry(image, *tree, headers->resourceSize, target, levels[level]);
        const bool subdirectory = found && (*found & kSubdirectoryBit);
        if (!found || subdirectory != (level < 2)) return std::nullopt;
        target = *found & ~kSubdirectoryBit;
    }
    if (target > headers->resourceSize || headers->resourceSize - target < kDataEntrySize) return std::nullopt;
    const std::size_t data = *tree + target;
    const std::uint32_t dataSize = image.U32(data + 4);
    const std::optional<std::size_t> resource = FileOffset(image, *headers, image.U32(data), dataSize);
    if (!resource) return std::nullopt;
    return FindFixedFileVersion(image.Part(*resource, dataSize));
}

}  // namespace install
