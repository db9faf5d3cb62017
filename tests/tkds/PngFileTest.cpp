// Reading PNG files of every color type and bit depth as RGBA8, and refusing
// broken ones with a reason.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>

#include "tests/tkds/TempFolder.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/PngFile.h"

namespace tkds {
namespace {

using test::TempFolder;

struct RawPng {
    std::uint32_t width;
    std::uint32_t height;
    int colorType;
    int bitDepth;
    std::vector<std::vector<std::uint8_t>> rows;  // packed as the file stores them
    std::vector<png_color> palette;
    std::vector<png_byte> transparency;  // tRNS for palette entries
    bool interlaced = false;
};

// Writes the rows exactly as given, through libpng's plain interface.
bool WriteRawPng(const std::string& path, const RawPng& raw) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    for (const auto& row : raw.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, raw.width, raw.height, raw.bitDepth, raw.colorType,
                     raw.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (!raw.palette.empty()) png_set_PLTE(png, info, raw.palette.data(), static_cast<int>(raw.palette.size()));
        if (!raw.transparency.empty()) {
            png_set_tRNS(png, info, raw.transparency.data(), static_cast<int>(raw.transparency.size()), nullptr);
        }
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

struct ReadCase {
    const char* label;
    RawPng raw;
    std::vector<std::uint8_t> rgba;
};

TEST(PngFile, EveryColorTypeReadsAsRgba8) {
    const ReadCase cases[] = {
        {"gray 1-bit", {3, 1, PNG_COLOR_TYPE_GRAY, 1, {{0b10100000}}},
         {255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255}},
        {"gray 8-bit", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {{0x00, 0x7F}}}, {0, 0, 0, 255, 0x7F, 0x7F, 0x7F, 255}},
        {"gray+alpha 8-bit", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{0x40, 0x10}}}, {0x40, 0x40, 0x40, 0x10}},
        {"rgb 8-bit", {1, 2, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3}, {4, 5, 6}}}, {1, 2, 3, 255, 4, 5, 6, 255}},
        {"rgb 16-bit", {2, 1, PNG_COLOR_TYPE_RGB, 16, {{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80, 0, 0, 0, 0, 0xFF, 0xFF}}},
         {255, 0, 128, 255, 0, 0, 255, 255}},
        {"rgba 8-bit", {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {{9, 8, 7, 6}}}, {9, 8, 7, 6}},
        {"palette 2-bit with tRNS",
         {3, 1, PNG_COLOR_TYPE_PALETTE, 2, {{0b00011000}}, {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}, {0, 128}},
         {10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255}},
        {"interlaced rgb",
         {3, 3, PNG_COLOR_TYPE_RGB, 8, {{1, 1, 1, 2, 2, 2, 3, 3, 3}, {4, 4, 4, 5, 5, 5, 6, 6, 6}, {7, 7, 7, 8, 8, 8, 9, 9, 9}},
          {}, {}, true},
         {1, 1, 1, 255, 2, 2, 2, 255, 3, 3, 3, 255, 4, 4, 4, 255, 5, 5, 5, 255, 6, 6, 6, 255,
          7, 7, 7, 255, 8, 8, 8, 255, 9, 9, 9, 255}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder / "case.png";
        ASSERT_TRUE(WriteRawPng(path, c.raw)) << c.label;
        RgbaImage image;
        std::string error;
        ASSERT_TRUE(ReadPng(path, image, error)) << c.label << ": " << error;
        EXPECT_EQ(image.width, c.raw.width) << c.label;
        EXPECT_EQ(image.height, c.raw.height) << c.label;
        EXPECT_EQ(image.pixels, c.rgba) << c.label;
    }
}

TEST(PngFile, WriteThenReadGivesTheSamePixels) {
    TempFolder folder;
    RgbaImage image{4, 3, {}};
    for (int i = 0; i < 4 * 3 * 4; ++i) image.pixels.push_back(static_cast<std::uint8_t>(i * 5));
    std::string error;
    ASSERT_TRUE(WritePng(folder / "out.png", image, error)) << error;
    RgbaImage back;
    ASSERT_TRUE(ReadPng(folder / "out.png", back, error)) << error;
    EXPECT_EQ(back.width, 4u);
    EXPECT_EQ(back.height, 3u);
    EXPECT_EQ(back.pixels, image.pixels);

    EXPECT_FALSE(WritePng(folder / "bad.png", RgbaImage{2, 2, {1, 2, 3}}, error));
    EXPECT_FALSE(WritePng(folder / "no/such/dir.png", image, error));
}

TEST(PngFile, BrokenFilesAreRefusedWithAReason) {
    TempFolder folder;
    RgbaImage good{8, 8, std::vector<std::uint8_t>(8 * 8 * 4, 0x5A)};
    std::string error;
    ASSERT_TRUE(WritePng(folder / "good.png", good, error));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(folder / "good.png", bytes, error));

    struct Case {
        const char* label;
        std::string content;
        const char* reasonPart;
    };
    std::string truncated(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    std::string headerOnly(bytes.begin(), bytes.begin() + 20);
    std::string badCrc(bytes.begin(), bytes.end());
    badCrc[29] ^= 0x01;  // the IHDR CRC
    const Case cases[] = {
        {"text file", "hello, this is not a picture", "not a PNG file"},
        {"empty file", "", "not a PNG file"},
        {"signature only", std::string(bytes.begin(), bytes.begin() + 8), ""},
        {"cut inside the header", headerOnly, ""},
        {"cut in the pixels", truncated, ""},
        {"damaged header CRC", badCrc, ""},
    };
    for (const auto& c : cases) {
        folder.Write("broken.png", c.content);
        RgbaImage image{1, 1, {1, 2, 3, 4}};
        error.clear();
        EXPECT_FALSE(ReadPng(folder / "broken.png", image, error)) << c.label;
        EXPECT_FALSE(error.empty()) << c.label;
        EXPECT_NE(error.find(c.reasonPart), std::string::npos) << c.label << ": " << error;
        EXPECT_EQ(image.width, 1u) << c.label;  // untouched
    }
    RgbaImage image;
    EXPECT_FALSE(ReadPng(folder / "missing.png", image, error));
}

}  // namespace
}  // namespace tkds
