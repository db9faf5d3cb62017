// The three pixel layouts, checked byte by byte on a 3 x 2 picture.
#include <gtest/gtest.h>

#include "tools/tkds/PixelConversions.h"

namespace tkds {
namespace {

// Top row: red, green, blue; bottom row: white (alpha 0), grey (alpha 128), black.
RgbaImage Sample() {
    return {3, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,  //
                   255, 255, 255, 0, 128, 128, 128, 128, 0, 0, 0, 255}};
}

TEST(PixelConversions, Rgb) {
    const std::vector<std::uint8_t> expected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 128, 128, 128, 0, 0, 0};
    EXPECT_EQ(ConvertPixels(Sample(), PixelLayout::Rgb), expected);
}

TEST(PixelConversions, RgbaWithTransparency) {
    const std::vector<std::uint8_t> expected = {255, 0, 0, 0,   0,   255, 0,   0,   0, 0, 255, 0,
                                                255, 255, 255, 255, 128, 128, 128, 127, 0, 0, 0, 0};
    EXPECT_EQ(ConvertPixels(Sample(), PixelLayout::RgbaT), expected);
}

TEST(PixelConversions, DibRecordRowsBottomFirstPadded) {
    const auto record = ConvertPixels(Sample(), PixelLayout::DibRecord);
    // 9 bytes of pixels per row padded to a stride of 12.
    ASSERT_EQ(record.size(), 24u + 2 * 12);
    EXPECT_EQ(std::string(record.begin(), record.begin() + 12), "TolvikDIBDAT");
    const std::vector<std::uint8_t> fields = {3, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 12, record.begin() + 24), fields);
    const std::vector<std::uint8_t> rows = {255, 255, 255, 128, 128, 128, 0, 0, 0, 0, 0, 0,  // bottom row, B,G,R
                                            0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 24, record.end()), rows);
}

TEST(PixelConversions, DibRecordStrideOfTheShippedDigits) {
    RgbaImage digits{143, 19, std::vector<std::uint8_t>(143 * 19 * 4, 0)};
    EXPECT_EQ(ConvertPixels(digits, PixelLayout::DibRecord).size(), 8232u);
}

TEST(PixelConversions, LayoutNames) {
    EXPECT_EQ(PixelLayoutFromName("rgb"), PixelLayout::Rgb);
    EXPECT_EQ(PixelLayoutFromName("rgba-t"), PixelLayout::RgbaT);
    EXPECT_EQ(PixelLayoutFromName("dib24"), PixelLayout::DibRecord);
    EXPECT_EQ(PixelLayoutFromName("RGB"), std::nullopt);
}

}  // namespace
}  // namespace tkds
