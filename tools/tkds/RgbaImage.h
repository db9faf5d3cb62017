#pragma once
// A picture in memory as the tool handles it: 8-bit red, green, blue, alpha per
// pixel, rows top row first, no padding.
#include <cstdint>
#include <vector>

namespace tkds {

struct RgbaImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
};

}  // namespace tkds
