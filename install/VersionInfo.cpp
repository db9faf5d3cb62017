#include "install/VersionInfo.h"

#include <optional>

namespace install {

namespace {

namespace layout = version_layout;

std::uint16_t Load16(std::span<const std::uint8_t> bytes, std::size_t offset) noexcept {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::uint32_t Load32(std::span<const std::uint8_t> bytes, std::size_t offset) noexcept {
    return static_cast<std::uint32_t>(Load16(bytes, offset)) | static_cast<std::uint32_t>(Load16(bytes, offset + 2)) << 16;
}

// One block's parts as offsets into the resource, all inside [start, end).
struct Block {
    std::u16string key;
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    std::size_t childrenStart = 0;
    std::size_t end = 0;
};

// The block at offset, which must end at or before limit; nothing for a block that
// does not fit, has no terminated key, or a binary value that overruns it.
std::optional<Block> ReadBlock(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t limit) {
    if (offset > limit || limit - offset < layout::kBlockHeaderSize) return std::nullopt;
    const std::size_t length = Load16(bytes, offset);
    if (length < layout::kBlockHeaderSize || length > limit - offset) return std::nullopt;
    Block block;
    block.end = offset + length;
    const std::uint16_t valueLength = Load16(bytes, offset + 2);
    const std::uint16_t valueType = Load16(bytes, offset + 4);

    std::size_t at = offset + layout::kBlockHeaderSize;
    for (;; at += 2) {
        if (block.end - at < 2) return std::nullopt;
        const char16_t unit = static_cast<char16_t>(Load16(bytes, at));
        if (unit == 0) break;
        block.key.push_back(unit);
    }
    // Some writers end a block right after its key: an empty value, no children.
    block.valueStart = std::min(layout::AlignedTo4(at + 2), block.end);
    const std::size_t valueBytes = valueType == layout::kTextValue ? std::size_t(valueLength) * 2 : valueLength;
    if (valueBytes > block.end - block.valueStart) {
        // A text's length is counted in bytes by some writers; the zero ends it anyway.
        if (valueType != layout::kTextValue) return std::nullopt;
        block.valueEnd = block.end;
    } else {
        block.valueEnd = block.valueStart + valueBytes;
    }
    block.childrenStart = std::min(layout::AlignedTo4(block.valueEnd), block.end);
    return block;
}

// Calls visit for each child of parent in order, until visit returns true (found)
// or a child does not fit (false). A zero length ends the list: trailing padding.
template <typename Visit>
bool ForEachChild(std::span<const std::uint8_t> bytes, const Block& parent, Visit visit) {
    std::size_t at = parent.childrenStart;
    while (parent.end - at >= layout::kBlockHeaderSize && Load16(bytes, at) != 0) {
        const std::optional<Block> child = ReadBlock(bytes, at, parent.end);
        if (!child) return false;
        if (visit(*child)) return true;
        at = std::min(layout::AlignedTo4(child->end), parent.end);
    }
    return false;
}

}  // namespace

bool FindVersionString(std::span<const std::uint8_t> resource, std::u16string_view key, std::u16string& value) {
    const std::optional<Block> root = ReadBlock(resource, 0, resource.size());
    if (!root || root->key != layout::kRootKey) return false;
    std::u16string found;
    const auto inString = [&](const Block& string) {
        if (string.key != key) return false;
        for (std::size_t at = string.valueStart; string.valueEnd - at >= 2; at += 2) {
            const char16_t unit = static_cast<char16_t>(Load16(resource, at));
            if (unit == 0) break;
            found.push_back(unit);
        }
        return !found.empty();
    };
    const auto inTable = [&](const Block& table) { return ForEachChild(resource, table, inString); };
    const auto inRoot = [&](const Block& child) {
        return child.key == layout::kStringFileInfo && ForEachChild(resource, child, inTable);
    };
    if (!ForEachChild(resource, *root, inRoot)) return false;
    value = std::move(found);
    return true;
}

std::optional<std::uint64_t> FindFixedFileVersion(std::span<const std::uint8_t> resource) {
    const std::optional<Block> root = ReadBlock(resource, 0, resource.size());
    if (!root || root->key != layout::kRootKey || root->valueEnd - root->valueStart < layout::kFixedInfoSize ||
        Load32(resource, root->valueStart) != layout::kFixedSignature) {
        return std::nullopt;
    }
    const std::size_t at = root->valueStart + layout::kFixedFileVersionAt;
    return static_cast<std::uint64_t>(Load32(resource, at)) << 32 | Load32(resource, at + 4);
}

}  // namespace install
