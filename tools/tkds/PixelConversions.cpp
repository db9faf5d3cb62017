#include "tools/tkds/PixelConversions.h"

#include "storage/ContainerFormat.h"

namespace tkds {

std::optional<PixelLayout> PixelLayoutFromName(std::string_view name) noexcept {
    if (name == "rgb") return PixelLayout::Rgb;
    if (name == "rgba-t") return PixelLayout::RgbaT;
    if (name == "dib24") return PixelLayout::DibRecord;
    return std::nullopt;
}

namespace {

const std::uint8_t* Pixel(const RgbaImage& image, std::uint32_t x, std::uint32_t y) {
    return image.pixels.data() + (std::size_t{y} * image.width + x) * 4;
}

std::vector<std::uint8_t> ToDibRecord(const RgbaImage& image) {
    const std::size_t stride = ((std::size_t{image.width} * 24 + 31) / 32) * 4;
    std::vector<std::uint8_t> out(kDibRecordTag.begin(), kDibRecordTag.end());
    storage::AppendLE32(out, image.width);
    storage::AppendLE32(out, image.height);
    storage::AppendLE32(out, kDibRecordFormat24);
    out.reserve(kDibRecordHeaderSize + stride * image.height);
    for (std::uint32_t row = 0; row < image.height; ++row) {
        const std::uint32_t y = image.height - 1 - row;  // bottom row first
        const std::size_t start = out.size();
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const std::uint8_t* p = Pixel(image, x, y);
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
        out.resize(start + stride, 0);
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> ConvertPixels(const RgbaImage& image, PixelLayout layout) {
    std::vector<std::uint8_t> out;
    const std::size_t pixels = std::size_t{image.width} * image.height;
    switch (layout) {
        case PixelLayout::Rgb:
            out.reserve(pixels * 3);
            for (std::size_t i = 0; i < pixels; ++i) {
                const std::uint8_t* p = image.pixels.data() + i * 4;
                out.insert(out.end(), {p[0], p[1], p[2]});
            }
            break;
        case PixelLayout::RgbaT:
            out.reserve(pixels * 4);
            for (std::size_t i = 0; i < pixels; ++i) {
                const std::uint8_t* p = image.pixels.data() + i * 4;
                out.insert(out.end(), {p[0], p[1], p[2], static_cast<std::uint8_t>(255 - p[3])});
            }
            break;
        case PixelLayout::DibRecord:
            out = ToDibRecord(image);
            break;
    }
    return out;
}

}  // namespace tkds
