#pragma once
// The pixel layouts that the container carries, made from an RGBA picture.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "tools/tkds/RgbaImage.h"

namespace tkds {

enum class PixelLayout {
    Rgb,        // "rgb": R,G,B per pixel, top row first, no padding (backgrounds)
    RgbaT,      // "rgba-t": R,G,B,T with T = 255 - alpha, top row first (button strips)
    DibRecord,  // "dib24": a "TolvikDIBDAT" image record, 24-bit, rows bottom first, B,G,R, padded to 4
};

std::optional<PixelLayout> PixelLayoutFromName(std::string_view name) noexcept;

std::vector<std::uint8_t> ConvertPixels(const RgbaImage& image, PixelLayout layout);

// The image record's tag and its size fields.
inline constexpr std::string_view kDibRecordTag = "TolvikDIBDAT";
inline constexpr std::size_t kDibRecordHeaderSize = 24;
inline constexpr std::uint32_t kDibRecordFormat24 = 3;

}  // namespace tkds
