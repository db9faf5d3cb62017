#pragma once
// Small skins and containers for the imaging tests, with pixel values that tell
// where they came from, so a test can say which picture, cell, row and column a
// pixel of the result must show.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/PixelView.h"

namespace imaging::test {

struct Bgr {
    std::uint8_t blue, green, red;
    bool operator==(const Bgr&) const = default;
};
// The pixel at window position (x, y) of a 24-bit picture.
Bgr At(const PixelView& v, int x, int y);

// A container built in memory; folders are made for every path prefix.
class TestContainer {
public:
    TestContainer& Integer(std::string_view path, std::int32_t value);
    TestContainer& String(std::string_view path, std::string_view text);
    TestContainer& Binary(std::string_view path, std::vector<std::uint8_t> bytes);
    std::vector<std::uint8_t> Build() const;

private:
    struct Node {
        std::string path;
        std::uint8_t type;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Node> nodes_;
};

// A stored image record; pixel(x, yFromTop) gives blue, green, red and, for a
// 32-bit format, T.
struct RecordPixel {
    std::uint8_t t, blue, green, red;
};
std::vector<std::uint8_t> MakeImageRecord(int width, int height, int format,
                                          const std::function<RecordPixel(int x, int yTop)>& pixel);

// The test skin:
//   background  7 x 5, red 10x + 1, green 20y + 2, blue 77 (x, y from the top-left)
//   font        504 x 13, 24-bit; pixel (x, y) of cell n: blue n, green x mod 12, red 100 + y
//   digits      143 x 19, 24-bit; pixel of cell n: blue 50 + n, green x mod 13, red 150 + y
//   buttons     cells 10 x 8, strip of `cells` cells, kind "PushButton"; pixel (x, y)
//               of cell c: red 60c + 20, green 100 + x, blue 200 + y, T by column:
//               column 0 clear (255), column 1 half (128), column 2 T 1, others 0
inline constexpr int kBackgroundX = 7, kBackgroundY = 5;
inline constexpr int kCellWidth = 10, kCellHeight = 8;
Bgr BackgroundPixel(int x, int yTop);
Bgr FontPixel(int cell, int x, int yTop);
Bgr DigitPixel(int cell, int x, int yTop);
struct Rgbt {
    std::uint8_t red, green, blue, t;
};
Rgbt ButtonPixel(int cell, int x, int yTop);

std::vector<std::uint8_t> MakeBackgroundBytes();
std::vector<std::uint8_t> MakeFontRecord();
std::vector<std::uint8_t> MakeDigitsRecord();
std::vector<std::uint8_t> MakeButtonStrip(int cells);

// The whole skin (Backgrounds, Font, Digits, PushButton with States `states` and
// a strip of 3 cells).
TestContainer MakeSkinContainer(int states = 7);

}  // namespace imaging::test
