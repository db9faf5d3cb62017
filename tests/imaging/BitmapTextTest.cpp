// The ticker, counter and readout arithmetic and their software drawing.
#include <gtest/gtest.h>

#include <utility>

#include "SkinFixtures.h"
#include "imaging/BitmapText.h"
#include "imaging/DibImage.h"
#include "imaging/PixelOps.h"

namespace imaging {
namespace {

using test::At;
using test::Bgr;

TEST(Glyphs, CellTable) {
    struct Case {
        unsigned char c;
        int column;
    };
    for (const Case c : {Case{'A', 12}, Case{'Z', 312}, Case{'0', 324}, Case{'9', 432}, Case{'.', 444},
                         Case{':', 456}, Case{'-', 468}, Case{'%', 480}, Case{'>', 492}, Case{' ', 0},
                         Case{',', 0}, Case{'/', 0}, Case{'a', 0}, Case{'@', 0}, Case{'[', 0}, Case{0xC9, 0}}) {
        EXPECT_EQ(GlyphColumn(c.c), c.column) << c.c;
    }
}

TEST(Glyphs, TickerCharactersAreUppercased) {
    EXPECT_EQ(TickerCharacters("Complete: 5%"), "COMPLETE: 5%");
    EXPECT_EQ(TickerCharacters("a,b/z"), "A,B/Z");
    EXPECT_EQ(TickerCharacters(std::string(1500, 'x')).size(), kMaxTickerCharacters);
    // A UTF-8 character beyond ASCII is one cell (its lead byte, which has no glyph).
    EXPECT_EQ(TickerCharacters("Ji\xC5\x99\xC3\xAD \xE6\x9D\x8E\xF0\x9F\x98\x80!"), "JI\xC5\xC3 \xE6\xF0!");
    EXPECT_EQ(GlyphColumn(0xC5), 0);
    EXPECT_EQ(GlyphColumn(0xE6), 0);
    std::string wide;
    for (int i = 0; i < 1500; ++i) wide += "\xE6\x97\xA5";
    EXPECT_EQ(TickerCharacters(wide), std::string(kMaxTickerCharacters, '\xE6'));
}

TEST(Ticker, Layout) {
    EXPECT_EQ(LayoutTicker(12).width, 144);
    EXPECT_EQ(LayoutTicker(12).period, 295);
    EXPECT_EQ(LayoutTicker(25).width, 300);
    EXPECT_EQ(LayoutTicker(25).period, 360);
    EXPECT_EQ(LayoutTicker(0).period, 295);
    EXPECT_EQ(LayoutTicker(20).period, 300);  // 240 + 60
}

TEST(Ticker, OffsetNeverTurnsNegative) {
    EXPECT_EQ(NormalizeTickerOffset(0, 295), 0);
    EXPECT_EQ(NormalizeTickerOffset(295, 295), 0);
    EXPECT_EQ(NormalizeTickerOffset(-2, 295), 293);
    EXPECT_EQ(NormalizeTickerOffset(2147483647LL + 2, 360), static_cast<int>((2147483647LL + 2) % 360));
    EXPECT_EQ(NormalizeTickerOffset(5, 0), 0);
}

TEST(Ticker, Pieces) {
    struct Case {
        int characters;
        long long offset;
        std::vector<std::array<int, 3>> pieces;  // srcX, dstX, width
    };
    const Case cases[] = {
        {12, 0, {{0, 0, 144}}},                    // stands at the left edge, no second piece
        {12, 200, {{0, 95, 144}}},                 // first piece empty, text re-enters at 95
        {12, 100, {{100, 0, 44}, {0, 195, 100}}},  // both pieces
        {12, 295 + 100, {{100, 0, 44}, {0, 195, 100}}},
        {12, -195, {{100, 0, 44}, {0, 195, 100}}},
        {25, 10, {{10, 0, 290}}},
        {25, 100, {{100, 0, 200}, {0, 260, 35}}},  // gap of 60 behind the end
        {30, 0, {{0, 0, 295}}},                    // wider than the window: cut
        {0, 50, {}},
    };
    for (const Case& c : cases) {
        TickerPiece pieces[2];
        const int count = TickerPieces(c.offset, LayoutTicker(c.characters), pieces);
        ASSERT_EQ(count, static_cast<int>(c.pieces.size())) << c.characters << " @" << c.offset;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(pieces[i].srcX, c.pieces[i][0]) << c.offset;
            EXPECT_EQ(pieces[i].dstX, c.pieces[i][1]) << c.offset;
            EXPECT_EQ(pieces[i].width, c.pieces[i][2]) << c.offset;
        }
    }
}

TEST(Counter, Cells) {
    struct Case {
        int n;
        std::array<int, 4> cells;
    };
    for (const Case c : {Case{0, {0, 0, 0, 1}}, Case{42, {0, 0, 5, 3}}, Case{1005, {2, 1, 1, 6}},
                         Case{9999, {10, 10, 10, 10}}, Case{7, {0, 0, 0, 8}}, Case{100, {0, 2, 1, 1}},
                         Case{701, {0, 8, 1, 2}}, Case{1000, {2, 1, 1, 1}}}) {
        std::array<int, 4> cells{};
        ASSERT_TRUE(CounterCells(c.n, cells)) << c.n;
        EXPECT_EQ(cells, c.cells) << c.n;
    }
    std::array<int, 4> untouched = {9, 9, 9, 9};
    EXPECT_FALSE(CounterCells(10000, untouched));
    EXPECT_FALSE(CounterCells(-1, untouched));
    EXPECT_EQ(untouched[0], 9);
}

TEST(Counter, AboveTenThousandKilobytesOnlyAUnitPictureShowsMegabytes) {
    struct Case {
        int kilobytes;
        std::array<int, 4> cells;
        CounterUnit unit;
    };
    // Megabytes are rounded up: 10000 KB is 9.77 MB, 10241 KB a little over 10.
    for (const Case c : {Case{9999, {10, 10, 10, 10}, CounterUnit::Kilobytes}, Case{10000, {0, 0, 2, 1}, CounterUnit::Megabytes},
                         Case{10240, {0, 0, 2, 1}, CounterUnit::Megabytes}, Case{10241, {0, 0, 2, 2}, CounterUnit::Megabytes},
                         Case{52 * 1024 + 1, {0, 0, 6, 4}, CounterUnit::Megabytes},
                         Case{9999 * 1024, {10, 10, 10, 10}, CounterUnit::Megabytes}}) {
        CounterFace face;
        ASSERT_TRUE(CounterFaceFor(c.kilobytes, true, face)) << c.kilobytes;
        EXPECT_EQ(face.cells, c.cells) << c.kilobytes;
        EXPECT_EQ(face.unit, c.unit) << c.kilobytes;
    }
    CounterFace face;
    ASSERT_TRUE(CounterFaceFor(42, false, face));
    EXPECT_EQ(face.cells, (std::array<int, 4>{0, 0, 5, 3}));
    EXPECT_EQ(face.unit, CounterUnit::Kilobytes);
    face.cells = {9, 9, 9, 9};
    EXPECT_FALSE(CounterFaceFor(10000, false, face));  // no unit picture: blank, as always
    EXPECT_FALSE(CounterFaceFor(9999 * 1024 + 1, true, face));
    EXPECT_FALSE(CounterFaceFor(-1, true, face));
    EXPECT_FALSE(CounterFaceFor(2147483647, true, face));
    EXPECT_EQ(face.cells[0], 9);

    EXPECT_EQ(UnitCellOf(CounterUnit::Kilobytes, 32).srcX, 0);
    EXPECT_EQ(UnitCellOf(CounterUnit::Megabytes, 32).srcX, 16);
    EXPECT_EQ(UnitCellOf(CounterUnit::Megabytes, 32).width, 16);
}

class SkinImages : public ::testing::Test {
protected:
    void SetUp() override {
        const auto f = test::MakeFontRecord(), d = test::MakeDigitsRecord();
        ASSERT_TRUE(font.LoadRecord(f.data(), f.size()));
        ASSERT_TRUE(digits.LoadRecord(d.data(), d.size()));
    }
    DibImage font, digits;
};

TEST_F(SkinImages, StripIsTheGlyphCellsSideBySide) {
    PixelBuffer strip;
    RenderTickerStrip(&font, TickerCharacters("Complete: 5%"), strip);
    ASSERT_EQ(strip.View().width, 144);
    ASSERT_EQ(strip.View().height, 13);
    const int cells[] = {3, 15, 13, 16, 12, 5, 20, 5, 38, 0, 32, 40};  // C O M P L E T E : space 5 %
    for (int i = 0; i < 12; ++i)
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(At(strip.View(), i * 12 + x, y), test::FontPixel(cells[i], x, y)) << i;
    RenderTickerStrip(nullptr, "ABC", strip);
    EXPECT_TRUE(strip.Empty());
    RenderTickerStrip(&font, "", strip);
    EXPECT_TRUE(strip.Empty());
}

TEST_F(SkinImages, TickerWindowOverTheCleanBackground) {
    PixelBuffer clean(452, 207), target(452, 207);
    FillSolid(clean.View(), MakeColor(1, 2, 3), 0);
    FillSolid(target.View(), MakeColor(9, 9, 9), 0);
    const std::string text = TickerCharacters("Complete: 5%");
    PixelBuffer strip;
    RenderTickerStrip(&font, text, strip);
    DrawTickerInto(target.View(), clean.View(), &strip.View(), LayoutTicker(text.size()), 200);
    // First piece empty; the text starts at window x 6 + 95.
    EXPECT_EQ(At(target.View(), 6, 8), (Bgr{3, 2, 1}));
    EXPECT_EQ(At(target.View(), 101, 8), test::FontPixel(3, 0, 0));
    EXPECT_EQ(At(target.View(), 101 + 143, 20), test::FontPixel(40, 11, 12));
    EXPECT_EQ(At(target.View(), 300, 20), (Bgr{3, 2, 1}));
    EXPECT_EQ(At(target.View(), 301, 8), (Bgr{9, 9, 9}));  // right of the ticker window
    EXPECT_EQ(At(target.View(), 6, 21), (Bgr{9, 9, 9}));   // below it
    // Without a strip only the background shows.
    FillSolid(target.View(), MakeColor(9, 9, 9), 0);
    DrawTickerInto(target.View(), clean.View(), nullptr, LayoutTicker(12), 0);
    EXPECT_EQ(At(target.View(), 6, 8), (Bgr{3, 2, 1}));
}

TEST_F(SkinImages, CounterCellsAtTheirPlaces) {
    PixelBuffer target(452, 207);
    DrawCounterInto(target.View(), &digits, nullptr, 42);
    const int lefts[] = {163, 176, 189, 202}, cells[] = {0, 0, 5, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(At(target.View(), lefts[i], 114), test::DigitPixel(cells[i], 0, 0)) << i;
        EXPECT_EQ(At(target.View(), lefts[i] + 12, 132), test::DigitPixel(cells[i], 12, 18)) << i;
    }
    EXPECT_EQ(At(target.View(), 215, 114), (Bgr{0, 0, 0}));
    EXPECT_EQ(At(target.View(), 163, 133), (Bgr{0, 0, 0}));

    PixelBuffer untouched(452, 207);
    DrawCounterInto(untouched.View(), &digits, nullptr, 10000);
    DrawCounterInto(untouched.View(), &digits, nullptr, -1);
    DrawCounterInto(untouched.View(), nullptr, nullptr, 5);
    EXPECT_EQ(At(untouched.View(), 202, 114), (Bgr{0, 0, 0}));
}

TEST_F(SkinImages, MegabytesWithTheirUnitCellOverTheLabel) {
    // Units: two 3 x 2 cells, pixel (x, y) blue 30 + x, green 40 + y, red 90.
    const auto record = test::MakeImageRecord(6, 2, 3, [](int x, int y) {
        return test::RecordPixel{0, static_cast<std::uint8_t>(30 + x), static_cast<std::uint8_t>(40 + y), 90};
    });
    DibImage units;
    ASSERT_TRUE(units.LoadRecord(record.data(), record.size()));
    PixelBuffer target(452, 207);
    DrawCounterInto(target.View(), &digits, &units, 12000);  // 11.7 MB: "  12" and the MB cell
    EXPECT_EQ(At(target.View(), 189, 114), test::DigitPixel(2, 0, 0));
    EXPECT_EQ(At(target.View(), 202, 114), test::DigitPixel(3, 0, 0));
    EXPECT_EQ(At(target.View(), kUnitLeft, kUnitTop), (Bgr{33, 40, 90}));
    EXPECT_EQ(At(target.View(), kUnitLeft + 2, kUnitTop + 1), (Bgr{35, 41, 90}));
    EXPECT_EQ(At(target.View(), kUnitLeft + 3, kUnitTop), (Bgr{0, 0, 0}));  // one cell only

    DrawCounterInto(target.View(), &digits, &units, 42);  // kilobytes: the KB cell
    EXPECT_EQ(At(target.View(), kUnitLeft, kUnitTop), (Bgr{30, 40, 90}));
}

TEST_F(SkinImages, ReadoutCentresItsTextInItsCellsAndShadesTheFrameAroundThem) {
    PixelBuffer target(452, 207);
    FillSolid(target.View(), MakeColor(200, 100, 40), 0);
    const Readout readout{290, 94, 8};
    EXPECT_EQ(ReadoutRect(readout), (Rect{289, 93, 387, 108}));
    DrawReadoutInto(target.View(), &font, readout, TickerCharacters("Just me"));
    // Seven characters in eight cells: six pixels of blank cell on either side.
    EXPECT_EQ(At(target.View(), 290, 94), test::FontPixel(0, 0, 0));
    EXPECT_EQ(At(target.View(), 295, 106), test::FontPixel(0, 5, 12));
    EXPECT_EQ(At(target.View(), 296, 94), test::FontPixel(10, 0, 0));   // J
    EXPECT_EQ(At(target.View(), 379, 106), test::FontPixel(5, 11, 12));  // E
    EXPECT_EQ(At(target.View(), 385, 106), test::FontPixel(0, 11, 12));
    // Half as bright above and left (both corners on those sides), seven quarters
    // below and right, each channel at most 255; nothing beyond the frame.
    const Bgr shade{20, 50, 100}, light{70, 175, 255}, plate{40, 100, 200};
    for (const auto& [x, y] : {std::pair{289, 93}, {386, 93}, {289, 107}, {300, 93}, {289, 100}})
        EXPECT_EQ(At(target.View(), x, y), shade) << x << "," << y;
    for (const auto& [x, y] : {std::pair{290, 107}, {386, 107}, {386, 94}, {330, 107}})
        EXPECT_EQ(At(target.View(), x, y), light) << x << "," << y;
    for (const auto& [x, y] : {std::pair{288, 93}, {289, 92}, {387, 107}, {386, 108}})
        EXPECT_EQ(At(target.View(), x, y), plate) << x << "," << y;

    // A longer text is cut to the cells; without cells or font nothing is drawn.
    DrawReadoutInto(target.View(), &font, Readout{10, 150, 2}, "ABC");
    EXPECT_EQ(At(target.View(), 10, 150), test::FontPixel(1, 0, 0));
    EXPECT_EQ(At(target.View(), 33, 162), test::FontPixel(2, 11, 12));
    EXPECT_EQ(At(target.View(), 34, 155), light);
    DrawReadoutInto(target.View(), &font, Readout{10, 30, 0}, "ABC");
    DrawReadoutInto(target.View(), nullptr, Readout{10, 60, 2}, "ABC");
    EXPECT_EQ(At(target.View(), 9, 29), plate);
    EXPECT_EQ(At(target.View(), 10, 60), plate);

    // At 150 %: 18 x 20 cells from (435, 141) to (579, 161), in the frame
    // (434, 140, 581, 162) that the 100 % frame's edges give, two pixels wide on the right.
    PixelBuffer scaled(676, 311);
    FillSolid(scaled.View(), MakeColor(200, 100, 40), 0);
    DrawReadoutInto(scaled.View(), &font, readout, "", 150);
    EXPECT_EQ(ReadoutRect(readout, 150), (Rect{434, 140, 581, 162}));
    for (const auto& [x, y] : {std::pair{434, 140}, {580, 140}, {434, 161}}) EXPECT_EQ(At(scaled.View(), x, y), shade);
    for (const auto& [x, y] : {std::pair{579, 141}, {580, 161}, {435, 161}}) EXPECT_EQ(At(scaled.View(), x, y), light);
    EXPECT_EQ(At(scaled.View(), 578, 153), test::FontPixel(1, 5, 12));  // the blank cell read 18 wide
    EXPECT_EQ(At(scaled.View(), 433, 140), plate);
}

}  // namespace
}  // namespace imaging
