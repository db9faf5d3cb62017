// The window buffers: sizes, tiling, background loading, overlays and composing.
#include <gtest/gtest.h>

#include "SkinFixtures.h"
#include "imaging/WindowBuffers.h"
#include "storage/Storage.h"

namespace imaging {
namespace {

using test::At;
using test::Bgr;
using test::BackgroundPixel;

TEST(WindowBuffers, WidthForClientArea) {
    EXPECT_EQ(WindowBuffers::BufferWidthFor(450), 452);
    EXPECT_EQ(WindowBuffers::BufferWidthFor(448), 452);
    EXPECT_EQ(WindowBuffers::BufferWidthFor(451), 452);
    EXPECT_EQ(WindowBuffers::BufferWidthFor(452), 456);
    EXPECT_EQ(WindowBuffers::BufferWidthFor(0), 4);
}

TEST(WindowBuffers, CreateAndRelease) {
    WindowBuffers b;
    EXPECT_FALSE(b.HasBuffers());
    ASSERT_TRUE(b.CreateBuffersOfSize(452, 207));
    EXPECT_EQ(b.CleanView().stride, 452 * 3);  // no row padding
    EXPECT_FALSE(b.CreateBuffersOfSize(0, 207));
    EXPECT_FALSE(b.HasBuffers());
    EXPECT_EQ(b.BufferWidth(), 0);
}

class TileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(buffers.CreateBuffersOfSize(16, 12)); }
    WindowBuffers buffers;
    std::vector<std::uint8_t> picture = test::MakeBackgroundBytes();  // 7 x 5
};

TEST_F(TileTest, RepeatsFromTheTopLeftCorner) {
    ASSERT_TRUE(buffers.TileBackground(picture.data(), picture.size(), 7, 5));
    const PixelView& v = buffers.CleanView();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(At(v, x, y), BackgroundPixel(x % 7, y % 5)) << x << "," << y;
    // Window row 0 lands in the last memory row, with blue first.
    EXPECT_EQ(v.MemoryRow(11)[0], 77);
    EXPECT_EQ(v.MemoryRow(11)[2], 1);
}

TEST_F(TileTest, LargerPictureIsCut) {
    std::vector<std::uint8_t> big(20 * 15 * 3);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i / 3);
    ASSERT_TRUE(buffers.TileBackground(big.data(), big.size(), 20, 15));
    EXPECT_EQ(At(buffers.CleanView(), 15, 11).red, static_cast<std::uint8_t>(11 * 20 + 15));
}

TEST_F(TileTest, RefusesBadSizesAndShortData) {
    ASSERT_TRUE(buffers.TileBackground(picture.data(), picture.size(), 7, 5));
    const Bgr before = At(buffers.CleanView(), 3, 3);
    struct Case {
        std::size_t length;
        int x, y;
    };
    for (const Case c : {Case{picture.size(), 0, 5}, Case{picture.size(), 7, 0}, Case{picture.size(), -7, -5},
                         Case{picture.size() - 1, 7, 5}, Case{picture.size(), 8, 5},
                         Case{picture.size(), 0x7FFFFFFF, 0x7FFFFFFF}}) {
        EXPECT_FALSE(buffers.TileBackground(picture.data(), c.length, c.x, c.y)) << c.x << " " << c.y;
    }
    EXPECT_FALSE(buffers.TileBackground(nullptr, 100, 1, 1));
    EXPECT_EQ(At(buffers.CleanView(), 3, 3), before);
    WindowBuffers none;
    EXPECT_FALSE(none.TileBackground(picture.data(), picture.size(), 7, 5));
}

TEST(LoadBackground, FromTheContainer) {
    const auto bytes = test::MakeSkinContainer()
                           .Integer("Backgrounds.Sizes.2x", 7)
                           .Binary("Backgrounds.2", test::MakeBackgroundBytes())  // no 2y
                           .Integer("Backgrounds.Sizes.3x", 8)
                           .Integer("Backgrounds.Sizes.3y", 5)
                           .Binary("Backgrounds.3", test::MakeBackgroundBytes())  // too short for 8 x 5
                           .Build();
    storage::Storage storage;
    ASSERT_TRUE(storage.OpenBytes(bytes.data(), bytes.size()));
    WindowBuffers buffers;
    EXPECT_FALSE(buffers.LoadBackground(storage, "1")) << "before the buffers exist";
    ASSERT_TRUE(buffers.CreateBuffersOfSize(452, 207));
    EXPECT_FALSE(buffers.LoadBackground(storage, ""));
    ASSERT_TRUE(buffers.LoadBackground(storage, "1"));
    EXPECT_EQ(At(buffers.CleanView(), 450, 206), BackgroundPixel(450 % 7, 206 % 5));
    for (const char* name : {"2", "3", "4"}) EXPECT_FALSE(buffers.LoadBackground(storage, name)) << name;
    EXPECT_EQ(At(buffers.CleanView(), 1, 1), BackgroundPixel(1, 1));
}

// Overlays: a 2 x 2 opaque overlay per control, red = control id.
class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(buffers.CreateBuffersOfSize(8, 6));
        std::vector<std::uint8_t> plain(8 * 6 * 3, 0);
        ASSERT_TRUE(buffers.TileBackground(plain.data(), plain.size(), 8, 6));
        for (int id = 1; id <= 3; ++id)
            for (int i = 0; i < 4; ++i) {
                pictures[id][i * 4] = static_cast<std::uint8_t>(id);
                pictures[id][i * 4 + 1] = static_cast<std::uint8_t>(i);  // green = pixel index
            }
    }
    int Red(int x, int y) { return At(buffers.ComposeView(), x, y).red; }
    WindowBuffers buffers;
    std::uint8_t pictures[4][16] = {};
};

TEST_F(OverlayTest, DrawnInOrderOfFirstRegistration) {
    buffers.SetOverlay(1, Rect{0, 0, 2, 2}, pictures[1], 2);
    buffers.SetOverlay(2, Rect{1, 1, 3, 3}, pictures[2], 2);
    buffers.SetOverlay(1, Rect{1, 0, 3, 2}, pictures[1], 2);  // moved, keeps its place (first)
    ASSERT_EQ(buffers.Overlays().size(), 2u);
    EXPECT_EQ(buffers.Overlays()[0].controlId, 1);
    ASSERT_TRUE(buffers.ComposeArea(Rect{0, 0, 8, 6}, nullptr));
    EXPECT_EQ(Red(0, 0), 0);  // the old place is background again
    EXPECT_EQ(Red(1, 0), 1);
    EXPECT_EQ(Red(1, 1), 2);  // 2 is drawn after 1
    EXPECT_EQ(Red(2, 2), 2);
}

TEST_F(OverlayTest, HiddenControlsShowTheBackground) {
    buffers.SetOverlay(1, Rect{0, 0, 2, 2}, pictures[1], 2);
    buffers.SetOverlay(3, Rect{4, 0, 6, 2}, pictures[3], 2);
    ASSERT_TRUE(buffers.ComposeArea(Rect{0, 0, 8, 6}, [](int id) { return id != 3; }));
    EXPECT_EQ(Red(0, 0), 1);
    EXPECT_EQ(Red(4, 0), 0);
}

TEST_F(OverlayTest, PartlyOutsideIsClippedWithTheMatchingOffset) {
    buffers.SetOverlay(1, Rect{-1, 5, 1, 7}, pictures[1], 2);
    ASSERT_TRUE(buffers.ComposeArea(Rect{0, 0, 8, 6}, nullptr));
    EXPECT_EQ(Red(0, 5), 1);
    EXPECT_EQ(At(buffers.ComposeView(), 0, 5).green, 1);  // overlay pixel (1, 0)
}

TEST_F(OverlayTest, AreaComposeTouchesOnlyOverlaysThatMeetIt) {
    buffers.SetOverlay(1, Rect{0, 0, 2, 2}, pictures[1], 2);
    buffers.SetOverlay(2, Rect{5, 3, 7, 5}, pictures[2], 2);
    ASSERT_TRUE(buffers.ComposeArea(Rect{0, 0, 8, 6}, nullptr));
    // Make the clean buffer differ, then recompose only overlay 2's rectangle.
    std::vector<std::uint8_t> white(8 * 6 * 3, 255);
    ASSERT_TRUE(buffers.TileBackground(white.data(), white.size(), 8, 6));
    ASSERT_TRUE(buffers.ComposeArea(buffers.Overlays()[1].rect, nullptr));
    EXPECT_EQ(Red(5, 3), 2);
    EXPECT_EQ(Red(7, 3), 0);    // outside the area: unchanged
    EXPECT_EQ(Red(4, 4), 0);
    EXPECT_EQ(Red(0, 0), 1);
}

TEST_F(OverlayTest, RemoveAndClear) {
    buffers.SetOverlay(1, Rect{0, 0, 2, 2}, pictures[1], 2);
    buffers.SetOverlay(2, Rect{2, 0, 4, 2}, pictures[2], 2);
    buffers.RemoveOverlay(1);
    ASSERT_EQ(buffers.Overlays().size(), 1u);
    EXPECT_EQ(buffers.FindOverlay(1), nullptr);
    buffers.ClearOverlays();
    EXPECT_TRUE(buffers.Overlays().empty());
}

TEST_F(OverlayTest, UnreadableOverlaysAreSkipped) {
    buffers.SetOverlay(1, Rect{0, 0, 2, 2}, nullptr, 2);
    buffers.SetOverlay(2, Rect{0, 0, 4, 2}, pictures[2], 2);  // rows narrower than the rectangle
    ASSERT_TRUE(buffers.ComposeArea(Rect{0, 0, 8, 6}, nullptr));
    EXPECT_EQ(Red(0, 0), 0);
    WindowBuffers none;
    EXPECT_FALSE(none.ComposeArea(Rect{0, 0, 1, 1}, nullptr));
}

}  // namespace
}  // namespace imaging
