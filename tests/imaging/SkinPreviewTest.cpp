// The software composition of the whole window from a container.
#include <gtest/gtest.h>

#include "SkinFixtures.h"
#include "imaging/PixelOps.h"
#include "imaging/SkinPreview.h"
#include "storage/Storage.h"

namespace imaging {
namespace {

using test::At;
using test::Bgr;

Bgr Background(int x, int y) { return test::BackgroundPixel(x % test::kBackgroundX, y % test::kBackgroundY); }

TEST(SkinPreview, ComposesLikeTheWindow) {
    const auto bytes = test::MakeSkinContainer().Build();
    storage::Storage storage;
    ASSERT_TRUE(storage.OpenBytes(bytes.data(), bytes.size()));
    PreviewResult result;
    ASSERT_TRUE(RenderWindowPreview(storage, PreviewContent{42, "Complete: 5%", 200}, result));
    EXPECT_TRUE(result.warnings.empty());
    const PixelView& v = result.picture.View();
    ASSERT_EQ(v.width, 450);
    ASSERT_EQ(v.height, 207);

    EXPECT_EQ(At(v, 0, 0), Background(0, 0));
    EXPECT_EQ(At(v, 449, 206), Background(449, 206));
    EXPECT_EQ(At(v, 400, 100), Background(400, 100));

    // Cancel at (294, 146), Normal picture (cell 0): column 0 clear, column 1
    // half, column 2 T 1, column 3 opaque.
    const Bgr under = Background(295, 147);
    const test::Rgbt half = test::ButtonPixel(0, 1, 1);
    EXPECT_EQ(At(v, 294, 146), Background(294, 146));
    EXPECT_EQ(At(v, 295, 147), (Bgr{Blend(half.blue, under.blue, 128), Blend(half.green, under.green, 128),
                                    Blend(half.red, under.red, 128)}));
    const test::Rgbt opaque = test::ButtonPixel(0, 3, 7);
    EXPECT_EQ(At(v, 297, 153), (Bgr{opaque.blue, opaque.green, opaque.red}));
    EXPECT_EQ(At(v, 304, 146), Background(304, 146));  // just right of the 10-pixel cell
    for (auto [x, y] : {std::pair{241, 61}, {174, 146}, {114, 146}}) {
        const test::Rgbt p = test::ButtonPixel(0, 5, 2);
        EXPECT_EQ(At(v, x + 5, y + 2), (Bgr{p.blue, p.green, p.red})) << x;
    }

    // The counter: blank, blank, 4, 2.
    EXPECT_EQ(At(v, 163, 114), test::DigitPixel(0, 0, 0));
    EXPECT_EQ(At(v, 189, 114), test::DigitPixel(5, 0, 0));
    EXPECT_EQ(At(v, 214, 132), test::DigitPixel(3, 12, 18));

    // The ticker: offset 200 puts "C" at window x 6 + 95.
    EXPECT_EQ(At(v, 101, 8), test::FontPixel(3, 0, 0));
    EXPECT_EQ(At(v, 6, 8), Background(6, 8));
}

TEST(SkinPreview, MissingPartsAreLeftOutAndNamed) {
    const auto bytes = test::TestContainer().Integer("Backgrounds.Sizes.1x", 1).Build();
    storage::Storage storage;
    ASSERT_TRUE(storage.OpenBytes(bytes.data(), bytes.size()));
    PreviewResult result;
    ASSERT_TRUE(RenderWindowPreview(storage, PreviewContent{5, "X", 0}, result));
    EXPECT_EQ(result.warnings.size(), 4u);
    EXPECT_EQ(At(result.picture.View(), 202, 114), (Bgr{0, 0, 0}));
}

}  // namespace
}  // namespace imaging
