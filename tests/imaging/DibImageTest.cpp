// DibImage: records, status, pixel addresses, compose rules and the software draw.
#include <gtest/gtest.h>

#include <cstring>

#include "SkinFixtures.h"
#include "imaging/DibImage.h"
#include "imaging/PixelBuffer.h"
#include "imaging/PixelOps.h"
#include "storage/Storage.h"

namespace imaging {
namespace {

using test::MakeImageRecord;
using test::RecordPixel;

std::vector<std::uint8_t> Record(int width, int height, int format, std::uint8_t t = 0) {
    return MakeImageRecord(width, height, format, [t](int x, int y) {
        return RecordPixel{t, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 9};
    });
}

TEST(DibImageRecord, FormatChoosesTheDepth) {
    struct Case {
        int format;
        bool alpha;
        int stride;
    };
    // A 5-pixel row: 15 bytes padded to 16, or exactly 20.
    for (const Case c : {Case{1, false, 16}, Case{3, false, 16}, Case{0, true, 20}, Case{2, true, 20},
                         Case{4, true, 20}, Case{-1, true, 20}}) {
        DibImage image;
        const auto record = Record(5, 2, c.format);
        ASSERT_TRUE(image.LoadRecord(record.data(), record.size())) << c.format;
        EXPECT_EQ(image.HasAlpha(), c.alpha) << c.format;
        EXPECT_EQ(image.GetStride(), c.stride) << c.format;
        EXPECT_EQ(image.GetRowPadding(), c.stride - 5 * (c.alpha ? 4 : 3)) << c.format;
        EXPECT_EQ(image.Status().statusCode, 0);
    }
}

TEST(DibImageRecord, ShippedSizes) {
    DibImage digits, font;
    const auto d = Record(143, 19, 3), f = Record(504, 13, 3);
    EXPECT_EQ(d.size(), 8232u);
    EXPECT_EQ(f.size(), 19680u);
    ASSERT_TRUE(digits.LoadRecord(d.data(), d.size()));
    ASSERT_TRUE(font.LoadRecord(f.data(), f.size()));
    EXPECT_EQ(digits.GetStride(), 432);
    EXPECT_EQ(digits.GetRowPadding(), 3);
    EXPECT_EQ(font.GetStride(), 1512);
    EXPECT_EQ(font.GetRowPadding(), 0);
    EXPECT_EQ(font.GetWidth(), 504);
    EXPECT_EQ(font.GetHeight(), 13);
}

TEST(DibImageRecord, FirstStoredRowIsTheBottomRow) {
    DibImage image;
    const auto record = Record(2, 3, 3);  // green = row from the top
    ASSERT_TRUE(image.LoadRecord(record.data(), record.size()));
    EXPECT_EQ(image.GetPixelAddress(0, 0)[1], 2);  // memory row 0 = bottom = top row 2
    EXPECT_EQ(image.GetPixelAddress(0, 2)[1], 0);
    EXPECT_EQ(0, std::memcmp(image.View().bits, record.data() + 24, record.size() - 24));
}

TEST(DibImageRecord, BadRecordsAreRefusedAndTheOldPictureStays) {
    DibImage image;
    const auto good = Record(4, 4, 3);
    ASSERT_TRUE(image.LoadRecord(good.data(), good.size()));

    std::vector<std::vector<std::uint8_t>> bad;
    for (std::size_t i = 0; i < 12; ++i) {  // any tag byte wrong
        auto r = Record(2, 2, 3);
        r[i] ^= 0x20;
        bad.push_back(r);
    }
    bad.push_back(Record(0, 2, 3));
    bad.push_back(Record(2, 0, 3));
    auto negative = Record(2, 2, 3);
    negative[15] = 0x80;  // width negative
    bad.push_back(negative);
    auto shortRecord = Record(2, 2, 3);
    shortRecord.pop_back();
    bad.push_back(shortRecord);
    bad.push_back(std::vector<std::uint8_t>(good.begin(), good.begin() + 23));  // no full header
    auto huge = Record(2, 2, 0);
    huge[16] = 0xFF, huge[17] = 0xFF, huge[18] = 0xFF, huge[19] = 0x7F;  // height 2^31 - 1
    bad.push_back(huge);

    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(image.LoadRecord(bad[i].data(), bad[i].size())) << i;
        EXPECT_EQ(image.Status().statusCode, -3) << i;
        EXPECT_STREQ(image.Status().statusText, "Incorrect function call...") << i;
        EXPECT_EQ(image.GetWidth(), 4) << i;
    }
    EXPECT_FALSE(image.LoadRecord(nullptr, 100));
}

TEST(DibImageStatus, EmptyImageKeepsTheOldText) {
    DibImage image;
    const auto bad = std::vector<std::uint8_t>(30, 0);
    EXPECT_FALSE(image.LoadRecord(bad.data(), bad.size()));
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.Status().statusCode, -2);
    EXPECT_STREQ(image.Status().statusText, "Incorrect function call...");
    EXPECT_EQ(image.GetPixelAddress(0, 0), nullptr);
    EXPECT_FALSE(image.Fill(0, 0));
    EXPECT_FALSE(image.FillChecker(0, 0, 2));
}

TEST(DibImageStatus, CreateRefusalIsAnAllocationError) {
    DibImage image;
    EXPECT_FALSE(image.Create(0, 5, false));
    EXPECT_EQ(image.Status().statusCode, -1);
    EXPECT_STREQ(image.Status().statusText, "Error allocating memory...");
    EXPECT_FALSE(image.IsValid());
}

TEST(DibImagePixels, AddressesInsideOnly) {
    DibImage image;
    ASSERT_TRUE(image.Create(3, 2, true));
    EXPECT_EQ(image.GetPixelAddress(2, 1), image.View().bits + 1 * 12 + 2 * 4);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {-2147483647 - 1, 0}}) {
        EXPECT_EQ(image.GetPixelAddress(x, y), nullptr);
        EXPECT_EQ(image.Status().statusCode, -3);
    }
}

class ComposeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(source.Create(4, 3, true));
        ASSERT_TRUE(dest.Create(5, 5, false));
        source.Fill(MakeColor(200, 200, 200), 255);
        dest.Fill(MakeColor(100, 150, 250), 0);
    }
    DibImage source, dest;
};

TEST_F(ComposeTest, FullyClearSourceStillNudgesSmallerChannels) {
    ASSERT_TRUE(dest.Compose(source, 0, 0, 0, 0, 4, 3));
    const std::uint8_t* p = dest.GetPixelAddress(0, 0);
    EXPECT_EQ(p[0], 250);  // blue: s 200 < d 250 stays d
    EXPECT_EQ(p[1], 151);  // green: s 200 > d 150 gives d + 1
    EXPECT_EQ(p[2], 101);  // red
    EXPECT_EQ(dest.GetPixelAddress(4, 0)[2], 100);  // outside the rectangle
}

TEST_F(ComposeTest, BothClearGivesT254) {
    DibImage alphaDest;
    ASSERT_TRUE(alphaDest.Create(2, 2, true));
    alphaDest.Fill(0, 255);
    ASSERT_TRUE(alphaDest.Compose(source, 0, 0, 0, 0, 2, 2));
    EXPECT_EQ(alphaDest.GetPixelAddress(1, 1)[0], 254);
}

TEST_F(ComposeTest, Refusals) {
    struct Case {
        int dx, dy, sx, sy, w, h;
    };
    for (const Case c : {Case{0, 0, 0, 0, 5, 1}, Case{0, 0, 0, 0, 1, 4}, Case{0, 0, 5, 0, 1, 1},
                         Case{0, 0, 0, 4, 1, 1}, Case{0, 0, 0, 0, -1, 1}, Case{0, 0, 0, 0, 1, -1}}) {
        EXPECT_FALSE(dest.Compose(source, c.dx, c.dy, c.sx, c.sy, c.w, c.h));
        EXPECT_EQ(dest.Status().statusCode, -3);
    }
    // A start outside a picture: refused by the pixel address of that picture.
    for (const Case c : {Case{-1, 0, 0, 0, 1, 1}, Case{0, 0, -1, 0, 1, 1}, Case{5, 0, 0, 0, 1, 1},
                         Case{0, 0, 4, 0, 1, 1}, Case{0, -2147483647 - 1, 0, 0, 1, 1}}) {
        EXPECT_FALSE(dest.Compose(source, c.dx, c.dy, c.sx, c.sy, c.w, c.h));
    }
    EXPECT_EQ(dest.GetPixelAddress(0, 0)[1], 150);  // nothing written
}

TEST_F(ComposeTest, ClippedToTheRoomLeft) {
    ASSERT_TRUE(dest.Compose(source, 3, 4, 0, 0, 4, 3));  // room for 2 x 1
    EXPECT_EQ(dest.GetPixelAddress(4, 4)[1], 151);
    EXPECT_EQ(dest.GetPixelAddress(3, 3)[1], 150);
    EXPECT_EQ(dest.GetPixelAddress(2, 4)[1], 150);
}

TEST_F(ComposeTest, PictureComposedOntoItself) {
    DibImage picture;
    const auto record = Record(6, 1, 3);  // blue = column
    ASSERT_TRUE(picture.LoadRecord(record.data(), record.size()));
    ASSERT_TRUE(picture.Compose(picture, 1, 0, 0, 0, 5, 1));  // overlapping: shift right by one
    for (int x = 1; x < 6; ++x) EXPECT_EQ(picture.GetPixelAddress(x, 0)[0], x - 1);
}

TEST_F(ComposeTest, InvalidImages) {
    DibImage empty;
    EXPECT_FALSE(dest.Compose(empty, 0, 0, 0, 0, 1, 1));
    EXPECT_FALSE(empty.Compose(source, 0, 0, 0, 0, 1, 1));
}

// The software draw into a 24-bit window picture.
class DrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto record = MakeImageRecord(143, 19, 3, [](int x, int y) {
            return RecordPixel{0, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7};
        });
        ASSERT_TRUE(digits.LoadRecord(record.data(), record.size()));
    }
    const std::uint8_t* At(int x, int y) { return target.View().WindowRow(y) + x * 3; }
    DibImage digits;
    PixelBuffer target{300, 40, 3};
};

TEST_F(DrawTest, TwentyFourBitUsesWindowCoordinates) {
    ASSERT_TRUE(digits.DrawToView(target.View(), 10, 5, 26, 0, 13, 19));
    EXPECT_EQ(At(10, 5)[0], 26);   // blue = source column
    EXPECT_EQ(At(10, 5)[1], 0);    // green = source row from the top
    EXPECT_EQ(At(22, 23)[0], 38);
    EXPECT_EQ(At(22, 23)[1], 18);
    EXPECT_EQ(At(23, 5)[2], 0);    // just right of the rectangle
    EXPECT_EQ(digits.Status().statusCode, 0);
}

TEST_F(DrawTest, OverWideSizeIsCutToPictureWidthMinusStart) {
    ASSERT_TRUE(digits.DrawToView(target.View(), 0, 0, 13, 0, 200, 19));
    EXPECT_EQ(At(129, 0)[0], 142);  // 143 - 13 = 130 columns
    EXPECT_EQ(At(130, 0)[2], 0);
}

TEST_F(DrawTest, SuspiciousRectangleIsNotedButDrawn) {
    EXPECT_TRUE(digits.DrawToView(target.View(), 0, 0, 143, 0, 5, 5));
    EXPECT_EQ(digits.Status().statusCode, -3);
    EXPECT_TRUE(digits.DrawToView(target.View(), 0, 0, -5, -5, 2, 2));  // negative start becomes 0
    EXPECT_EQ(At(0, 0)[2], 7);
}

TEST_F(DrawTest, AlphaPictureComposesOverItsBackdrop) {
    DibImage alpha;
    const auto record = MakeImageRecord(4, 2, 0, [](int x, int) {
        return RecordPixel{static_cast<std::uint8_t>(x == 0 ? 0 : 128), 200, 200, 200};
    });
    ASSERT_TRUE(alpha.LoadRecord(record.data(), record.size()));
    alpha.SetBackdropColor(MakeColor(100, 100, 100));
    ASSERT_TRUE(alpha.DrawToView(target.View(), 1, 1, 0, 0, 4, 2));
    EXPECT_EQ(At(1, 1)[0], 200);
    EXPECT_EQ(At(2, 1)[0], 150);

    // srcX equal to the width: the compose refuses and nothing is drawn.
    EXPECT_FALSE(alpha.DrawToView(target.View(), 50, 1, 4, 0, 1, 1));
    EXPECT_EQ(At(50, 1)[0], 0);

    // A backdrop picture smaller than the rectangle fails the draw.
    DibImage small;
    ASSERT_TRUE(small.Create(2, 2, false));
    alpha.SetBackdropImage(&small);
    EXPECT_FALSE(alpha.DrawToView(target.View(), 60, 1, 0, 0, 4, 2));
    alpha.SetBackdropImage(nullptr);
    EXPECT_FALSE(alpha.DrawToView(target.View(), 60, 1, 0, 0, 4, 2));

    alpha.SetBackdropChecker(MakeColor(0, 0, 0), MakeColor(255, 255, 255), 1);
    ASSERT_TRUE(alpha.DrawToView(target.View(), 70, 1, 0, 0, 4, 2));
    EXPECT_EQ(At(71, 2)[0], Blend(200, 255, 128));  // bottom row: color1 at x 0, color2 at x 1
}

TEST(DibImageLoad, ThroughTheStorage) {
    const auto bytes = test::TestContainer().Binary("Digits", Record(3, 2, 3)).Binary("Bad", {1, 2, 3}).Build();
    storage::Storage storage;
    ASSERT_TRUE(storage.OpenBytes(bytes.data(), bytes.size()));
    DibImage image;
    ASSERT_TRUE(image.Load(storage, "Digits", ""));
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_FALSE(image.Load(storage, "Missing", ""));
    EXPECT_EQ(image.Status().statusCode, -3);
    EXPECT_FALSE(image.Load(storage, "Bad", ""));
    EXPECT_EQ(image.GetWidth(), 3);
}

}  // namespace
}  // namespace imaging
