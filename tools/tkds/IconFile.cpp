#include "tools/tkds/IconFile.h"

#include <algorithm>
#include <tuple>

namespace tkds {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kFileEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::uint16_t kIconType = 1;
constexpr std::uint32_t kBitmapHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint16_t Load16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t Load32(std::span<const std::uint8_t> b, std::size_t at) {
    return Load16(b, at) | std::uint32_t(Load16(b, at + 2)) << 16;
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Where an image lies in the file, and its directory entry's index.
struct ImageRange {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::size_t entry = 0;
};

bool IsPng(std::span<const std::uint8_t> image) {
    return image.size() >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.begin());
}

// A bitmap image: its header's own size, one plane and a bit count Windows draws.
bool IsBitmap(std::span<const std::uint8_t> image, std::uint16_t& planes, std::uint16_t& bitCount) {
    if (image.size() < kBitmapHeaderSize || Load32(image, 0) != kBitmapHeaderSize) return false;
    planes = Load16(image, 12);
    bitCount = Load16(image, 14);
    static constexpr std::uint16_t kDrawn[] = {1, 4, 8, 16, 24, 32};
    return planes == 1 && std::find(std::begin(kDrawn), std::end(kDrawn), bitCount) != std::end(kDrawn);
}

}  // namespace

bool ParseIconFile(std::span<const std::uint8_t> bytes, std::vector<IconImage>& images, std::string& error) {
    if (bytes.size() < kHeaderSize || Load16(bytes, 0) != 0 || Load16(bytes, 2) != kIconType) {
        error = "not an icon file";
        return false;
    }
    const std::size_t count = Load16(bytes, 4);
    if (count == 0) {
        error = "the icon file holds no image";
        return false;
    }
    if (bytes.size() - kHeaderSize < count * kFileEntrySize) {
        error = "the icon file is shorter than its directory of " + std::to_string(count) + " images";
        return false;
    }
    // Each image is copied, so no byte of the file may belong to two of them:
    // entries that all name one image would otherwise cost its size once per entry.
    const std::size_t directoryEnd = kHeaderSize + count * kFileEntrySize;
    std::vector<ImageRange> ranges(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + i * kFileEntrySize;
        ranges[i] = {Load32(bytes, entry + 12), Load32(bytes, entry + 8), i};
        const ImageRange& r = ranges[i];
        if (r.offset > bytes.size() || r.size > bytes.size() - r.offset || r.size == 0) {
            error = "image " + std::to_string(i + 1) + " lies outside the icon file";
            return false;
        }
        if (r.offset < directoryEnd) {
            error = "image " + std::to_string(i + 1) + " overlaps the icon file's directory";
            return false;
        }
    }
    std::sort(ranges.begin(), ranges.end(), [](const ImageRange& a, const ImageRange& b) {
        return std::tie(a.offset, a.entry) < std::tie(b.offset, b.entry);
    });
    for (std::size_t i = 1; i < count; ++i) {
        if (ranges[i].offset < std::uint64_t{ranges[i - 1].offset} + ranges[i - 1].size) {
            const auto [first, second] = std::minmax(ranges[i - 1].entry, ranges[i].entry);
            error = "images " + std::to_string(first + 1) + " and " + std::to_string(second + 1) +
                    " overlap in the icon file";
            return false;
        }
    }

    std::vector<IconImage> parsed(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + i * kFileEntrySize;
        const std::uint32_t size = Load32(bytes, entry + 8);
        const std::uint32_t offset = Load32(bytes, entry + 12);
        const std::string which = "image " + std::to_string(i + 1);
        IconImage& image = parsed[i];
        image.width = bytes[entry];
        image.height = bytes[entry + 1];
        image.colorCount = bytes[entry + 2];
        image.planes = Load16(bytes, entry + 4);
        image.bitCount = Load16(bytes, entry + 6);
        const auto data = bytes.subspan(offset, size);
        std::uint16_t planes = 0;
        std::uint16_t bitCount = 0;
        if (IsPng(data)) {
            planes = 1;
            bitCount = 32;
        } else if (!IsBitmap(data, planes, bitCount)) {
            error = which + " is neither a PNG nor a bitmap";
            return false;
        }
        // Many writers leave the directory's planes and bit count 0; the group
        // entry is what Windows picks an image by, so take them from the image.
        if (image.planes == 0) image.planes = planes;
        if (image.bitCount == 0) image.bitCount = bitCount;
        image.data.assign(data.begin(), data.end());
    }
    images = std::move(parsed);
    return true;
}

std::vector<std::uint8_t> IconGroupData(const std::vector<IconImage>& images, std::uint16_t firstId) {
    std::vector<std::uint8_t> group;
    Put16(group, 0);
    Put16(group, kIconType);
    Put16(group, static_cast<std::uint16_t>(images.size()));
    std::uint16_t id = firstId;
    for (const IconImage& image : images) {
        group.insert(group.end(), {image.width, image.height, image.colorCount, 0});
        Put16(group, image.planes);
        Put16(group, image.bitCount);
        const auto size = static_cast<std::uint32_t>(image.data.size());
        Put16(group, static_cast<std::uint16_t>(size));
        Put16(group, static_cast<std::uint16_t>(size >> 16));
        Put16(group, id++);
    }
    return group;
}

bool IconGroupIds(std::span<const std::uint8_t> group, std::vector<std::uint16_t>& ids) {
    if (group.size() < kHeaderSize) return false;
    const std::size_t count = Load16(group, 4);
    if (group.size() - kHeaderSize < count * kGroupEntrySize) return false;
    std::vector<std::uint16_t> found;
    for (std::size_t i = 0; i < count; ++i) found.push_back(Load16(group, kHeaderSize + i * kGroupEntrySize + 12));
    ids = std::move(found);
    return true;
}

}  // namespace tkds
