// The blend formula, the fills, the layout-pair compose and the overlay blend,
// against worked values and values worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/PixelBuffer.h"
#include "imaging/PixelOps.h"

namespace imaging {
namespace {

TEST(Blend, WorkedValues) {
    struct Case {
        int s, d, t, out;
    };
    const Case cases[] = {
        {200, 100, 128, 150}, {100, 200, 128, 150}, {200, 100, 255, 101}, {100, 200, 255, 200},
        {200, 100, 0, 200},   {0, 255, 0, 0},       {255, 0, 1, 255},
        // (0 - 255) * 1 = -255, and >> 8 rounds toward minus infinity: -1, so 0 - (-1) = 1.
        {0, 255, 1, 1},       {0, 255, 2, 2},       {10, 10, 200, 10},
        // 255 * 255 >> 8 = 254; -65025 >> 8 = -255 (floor of -254.004).
        {255, 0, 255, 1},     {0, 255, 255, 255},
    };
    for (const Case& c : cases) EXPECT_EQ(Blend(c.s, c.d, c.t), c.out) << c.s << " " << c.d << " " << c.t;
}

TEST(Blend, AlwaysBetweenSourceAndDestination) {
    for (int s = 0; s < 256; s += 15)
        for (int d = 0; d < 256; d += 17)
            for (int t = 0; t < 256; t += 5) {
                const int out = Blend(s, d, t);
                EXPECT_GE(out, std::min(s, d));
                EXPECT_LE(out, std::max(s, d));
            }
}

std::vector<Color> ReadRow(const PixelView& v, int memoryRow) {
    std::vector<Color> row;
    for (int x = 0; x < v.width; ++x) {
        const std::uint8_t* p = v.At(x, memoryRow) + (v.bytesPerPixel == 4 ? 1 : 0);
        row.push_back(MakeColor(p[2], p[1], p[0]));
    }
    return row;
}

constexpr Color kC1 = MakeColor(1, 2, 3);
constexpr Color kC2 = MakeColor(9, 8, 7);

TEST(FillChecker, FirstRunIsOneShortAndBandsAreFullHeight) {
    PixelBuffer b(6, 5, 3);
    FillChecker(b.View(), kC1, kC2, 2);
    const std::vector<Color> start2 = {kC2, kC1, kC1, kC2, kC2, kC1};
    const std::vector<Color> start1 = {kC1, kC2, kC2, kC1, kC1, kC2};
    EXPECT_EQ(ReadRow(b.View(), 0), start2);
    EXPECT_EQ(ReadRow(b.View(), 1), start2);
    EXPECT_EQ(ReadRow(b.View(), 2), start1);
    EXPECT_EQ(ReadRow(b.View(), 3), start1);
    EXPECT_EQ(ReadRow(b.View(), 4), start2);
}

TEST(FillChecker, CellSizeOneOrLessFlipsEveryPixelAndRow) {
    for (int cell : {1, 0, -3}) {
        PixelBuffer b(4, 2, 4);
        FillChecker(b.View(), kC1, kC2, cell);
        EXPECT_EQ(ReadRow(b.View(), 0), (std::vector<Color>{kC1, kC2, kC1, kC2})) << cell;
        EXPECT_EQ(ReadRow(b.View(), 1), (std::vector<Color>{kC2, kC1, kC2, kC1})) << cell;
        EXPECT_EQ(b.View().At(0, 0)[0], 0) << "a 32-bit pixel gets T 0";
    }
}

TEST(FillSolid, WritesPixelsButNeverThePadding) {
    PixelBuffer b(5, 3, 3);  // 15 bytes of pixels, stride 16
    ASSERT_EQ(b.View().stride, 16);
    for (int r = 0; r < 3; ++r) b.View().MemoryRow(r)[15] = 0xAB;
    FillSolid(b.View(), MakeColor(0x11, 0x22, 0x33), 0x44);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(b.View().MemoryRow(r)[15], 0xAB);
        EXPECT_EQ(b.View().MemoryRow(r)[12], 0x33);  // blue first
        EXPECT_EQ(b.View().MemoryRow(r)[14], 0x11);
    }
    PixelBuffer a(2, 1, 4);
    FillSolid(a.View(), MakeColor(0x11, 0x22, 0x33), 0x44);
    EXPECT_EQ(std::vector<std::uint8_t>(a.View().bits, a.View().bits + 8),
              (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11}));
}

TEST(ComposeRows, LayoutPairs) {
    // One pixel each: source colour s = (blue 200, green 100, red 50), T 255;
    // destination d = (100, 200, 50) and, when 32-bit, T_d 255.
    auto make = [](int bpp, std::uint8_t t, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        PixelBuffer buffer(1, 1, bpp);
        std::uint8_t* p = buffer.View().bits;
        if (bpp == 4) *p++ = t;
        p[0] = b, p[1] = g, p[2] = r;
        return buffer;
    };
    {
        PixelBuffer src = make(4, 255, 200, 100, 50), dst = make(4, 255, 100, 200, 50);
        ComposeRows(dst.View(), 0, 0, src.View(), 0, 0, 1, 1);
        const std::uint8_t* d = dst.View().bits;
        EXPECT_EQ(d[0], 254);  // (255 * 255) >> 8
        EXPECT_EQ(d[1], 101);  // s > d gives d + 1: no shortcut for T 255
        EXPECT_EQ(d[2], 200);
        EXPECT_EQ(d[3], 50);
    }
    {
        PixelBuffer src = make(4, 255, 200, 100, 50), dst = make(3, 0, 100, 200, 50);
        ComposeRows(dst.View(), 0, 0, src.View(), 0, 0, 1, 1);
        const std::uint8_t* d = dst.View().bits;
        EXPECT_EQ(d[0], 101);
        EXPECT_EQ(d[1], 200);
        EXPECT_EQ(d[2], 50);
    }
    {
        PixelBuffer src = make(4, 128, 200, 100, 50), dst = make(3, 0, 100, 200, 50);
        ComposeRows(dst.View(), 0, 0, src.View(), 0, 0, 1, 1);
        EXPECT_EQ(dst.View().bits[0], 150);
        EXPECT_EQ(dst.View().bits[1], 150);
    }
    {
        PixelBuffer src = make(3, 0, 1, 2, 3), dst = make(4, 77, 9, 9, 9);
        ComposeRows(dst.View(), 0, 0, src.View(), 0, 0, 1, 1);
        EXPECT_EQ(std::vector<std::uint8_t>(dst.View().bits, dst.View().bits + 4),
                  (std::vector<std::uint8_t>{77, 1, 2, 3}));
    }
    {
        PixelBuffer src = make(3, 0, 1, 2, 3), dst = make(3, 0, 9, 9, 9);
        ComposeRows(dst.View(), 0, 0, src.View(), 0, 0, 1, 1);
        EXPECT_EQ(std::vector<std::uint8_t>(dst.View().bits, dst.View().bits + 3),
                  (std::vector<std::uint8_t>{1, 2, 3}));
    }
}

// A 4 x 3 buffer of blue 100, green 100, red 100; overlays are red, green, blue, T.
class BlendOverlayTest : public ::testing::Test {
protected:
    void SetUp() override { FillSolid(buffer.View(), MakeColor(100, 100, 100), 0); }
    const std::uint8_t* WindowPixel(int x, int y) { return buffer.View().WindowRow(y) + x * 3; }
    PixelBuffer buffer{4, 3, 3};
};

TEST_F(BlendOverlayTest, OpaqueClearAndHalf) {
    const std::uint8_t overlay[] = {
        10, 20, 30, 0,     // opaque: copied exactly, channel order turned round
        10, 20, 30, 255,   // clear: the buffer shows
        200, 200, 200, 128  // half: 200 over 100 gives 150
    };
    ASSERT_TRUE(BlendOverlay(buffer.View(), overlay, 3, 0, 0, 0, 0, 3, 1));
    EXPECT_EQ(WindowPixel(0, 0)[0], 30);
    EXPECT_EQ(WindowPixel(0, 0)[2], 10);
    EXPECT_EQ(WindowPixel(1, 0)[0], 100);
    EXPECT_EQ(WindowPixel(2, 0)[0], 150);
    // Window row 0 is the buffer's top row: the last memory row.
    EXPECT_EQ(buffer.View().MemoryRow(2)[0], 30);
    EXPECT_EQ(buffer.View().MemoryRow(0)[0], 100);
}

TEST_F(BlendOverlayTest, TakesTheSourceOffsetAndRowWidth) {
    // 3 x 2 overlay; copy its right-hand 2 x 1 of the second row to window (2, 2).
    std::vector<std::uint8_t> overlay(3 * 2 * 4, 0);
    for (int i = 0; i < 6; ++i) overlay[i * 4] = static_cast<std::uint8_t>(i + 1);  // red = index + 1
    ASSERT_TRUE(BlendOverlay(buffer.View(), overlay.data(), 3, 2, 2, 1, 1, 2, 1));
    EXPECT_EQ(WindowPixel(2, 2)[2], 5);
    EXPECT_EQ(WindowPixel(3, 2)[2], 6);
    EXPECT_EQ(WindowPixel(1, 2)[2], 100);
}

TEST_F(BlendOverlayTest, RefusesRectanglesOutsideTheBuffer) {
    const std::uint8_t overlay[4 * 4 * 4] = {};
    EXPECT_FALSE(BlendOverlay(buffer.View(), overlay, 4, 1, 0, 0, 0, 4, 1));
    EXPECT_FALSE(BlendOverlay(buffer.View(), overlay, 4, 0, 1, 0, 0, 1, 3));
    EXPECT_FALSE(BlendOverlay(buffer.View(), overlay, 4, -1, 0, 0, 0, 1, 1));
    EXPECT_FALSE(BlendOverlay(buffer.View(), overlay, 2, 0, 0, 1, 0, 2, 1));  // past the overlay row
    EXPECT_EQ(WindowPixel(0, 0)[0], 100);
}

TEST(CopyRect, ClipsToBothPictures) {
    PixelBuffer src(3, 2, 3), dst(4, 4, 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) src.View().WindowRow(y)[x * 3] = static_cast<std::uint8_t>(10 * y + x + 1);
    CopyRect(dst.View(), 2, -1, src.View(), -1, 0, 5, 5);
    // Clipping the negative source x moves the target to x 3; the negative target
    // y moves the source to row 1.
    EXPECT_EQ(dst.View().WindowRow(0)[3 * 3], 11);
    EXPECT_EQ(dst.View().WindowRow(0)[2 * 3], 0);
    EXPECT_EQ(dst.View().WindowRow(1)[3 * 3], 0);
}

TEST(CopyRect, ThirtyTwoBitSourceGivesItsFirstThreeBytes) {
    PixelBuffer src(1, 1, 4), dst(1, 1, 3);
    src.View().bits[0] = 1, src.View().bits[1] = 2, src.View().bits[2] = 3, src.View().bits[3] = 4;
    CopyRect(dst.View(), 0, 0, src.View(), 0, 0, 1, 1);
    EXPECT_EQ(dst.View().bits[0], 1);
    EXPECT_EQ(dst.View().bits[2], 3);
}

}  // namespace
}  // namespace imaging
