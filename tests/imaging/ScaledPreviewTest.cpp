// The window previewed at a display scale from containers with and without
// scaled art: enlarged pixel for pixel, reduced by area, never from a scaled
// picture of the wrong size.
#include <gtest/gtest.h>

#include "SkinFixtures.h"
#include "imaging/ButtonSkin.h"
#include "imaging/SkinPreview.h"
#include "storage/Storage.h"

namespace imaging {
namespace {

using test::At;
using test::Bgr;

PreviewResult Preview(const test::TestContainer& container, const PreviewContent& content, int percent) {
    const auto bytes = container.Build();
    storage::Storage storage;
    PreviewResult result;
    EXPECT_TRUE(storage.OpenBytes(bytes.data(), bytes.size()));
    EXPECT_TRUE(RenderWindowPreview(storage, content, result, percent));
    return result;
}

TEST(ScaledPreview, BaseArtOnlyIsDoubledPixelForPixel) {
    test::TestContainer container = test::MakeSkinContainer();
    container.Binary("Units", test::MakeImageRecord(16, 9, 3, [](int x, int y) {
        return test::RecordPixel{0, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200};
    }));
    const PreviewResult base = Preview(container, PreviewContent{20000, "Ticker: 42%", 150}, 100);
    const PreviewResult doubled = Preview(container, PreviewContent{20000, "Ticker: 42%", 300}, 200);
    EXPECT_TRUE(doubled.warnings.empty());
    const PixelView& b = base.picture.View();
    const PixelView& d = doubled.picture.View();
    ASSERT_EQ(d.width, 900);
    ASSERT_EQ(d.height, 414);
    int differing = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) differing += At(d, x, y) == At(b, x / 2, y / 2) ? 0 : 1;
    EXPECT_EQ(differing, 0);
}

// 200 % art only beside the 100 % skin, each picture telling its cells apart.
test::TestContainer WithArtAt200() {
    test::TestContainer container = test::MakeSkinContainer();
    container.Integer("Scales.200.Backgrounds.Sizes.1x", 14)
        .Integer("Scales.200.Backgrounds.Sizes.1y", 10)
        .Binary("Scales.200.Backgrounds.1", [] {
            std::vector<std::uint8_t> rgb;
            for (int i = 0; i < 14 * 10; ++i) rgb.insert(rgb.end(), {static_cast<std::uint8_t>(10 * (i % 14)), 7, 9});
            return rgb;
        }())
        .Binary("Scales.200.Font", test::MakeImageRecord(42 * 24, 26, 3, [](int x, int) {
            return test::RecordPixel{0, static_cast<std::uint8_t>(x / 24), 33, 44};
        }));
    return container;
}

TEST(ScaledPreview, ReducedFromLargerArtByAreaCellByCell) {
    test::TestContainer container = WithArtAt200();
    const PreviewResult result = Preview(container, PreviewContent{0, "AB", 0}, 150);
    EXPECT_TRUE(result.warnings.empty());
    const PixelView& v = result.picture.View();
    ASSERT_EQ(v.width, 675);
    ASSERT_EQ(v.height, 311);
    // The 14-pixel tile becomes 11: column 4 covers 10/14 of red 50 and 4/14 of
    // red 60, column 5 half of 60 and half of 70.
    EXPECT_EQ(At(v, 4, 40), (Bgr{9, 7, 53}));
    EXPECT_EQ(At(v, 5, 40), (Bgr{9, 7, 65}));
    EXPECT_EQ(At(v, 11 + 5, 40 + 8), (Bgr{9, 7, 65}));
    // "A" and "B" in 18-pixel cells from (9, 12), each wholly its own cell.
    for (int x = 9; x < 9 + 36; ++x)
        for (const int y : {12, 31}) EXPECT_EQ(At(v, x, y), (Bgr{std::uint8_t(x < 27 ? 1 : 2), 33, 44})) << x;
    // The digits have no 150 % or larger art: the 100 % ones, 13 x 19 cells made 20 x 29.
    EXPECT_EQ(At(v, 245, 171), test::DigitPixel(0, 0, 0));

    // At 200 % the art is shown as it is.
    const PreviewResult exact = Preview(container, PreviewContent{0, "AB", 0}, 200);
    EXPECT_EQ(At(exact.picture.View(), 5, 40), (Bgr{9, 7, 50}));
    EXPECT_EQ(At(exact.picture.View(), 12 + 47, 16 + 25), (Bgr{2, 33, 44}));
}

TEST(ScaledPreview, ScaledArtOfTheWrongSizeIsPassedOver) {
    test::TestContainer container = WithArtAt200();
    container.Binary("Scales.150.Font", test::MakeImageRecord(42 * 18 + 1, 20, 3, [](int, int) {
        return test::RecordPixel{0, 99, 99, 99};
    }));
    container.Integer("Scales.200.Controls.MaskedButtons.PushButton.Width", 3 * 20)
        .Integer("Scales.200.Controls.MaskedButtons.PushButton.CtrlWidth", 20)
        .Integer("Scales.200.Controls.MaskedButtons.PushButton.Height", 15)  // 16 at 200 %
        .Binary("Scales.200.Controls.MaskedButtons.PushButton.RGBA", std::vector<std::uint8_t>(60 * 15 * 4, 0));
    const PreviewResult result = Preview(container, PreviewContent{0, "AB", 0}, 150);
    ASSERT_EQ(result.warnings.size(), 2u);
    EXPECT_NE(result.warnings[0].find("\"Scales.150.Font\""), std::string::npos);
    EXPECT_NE(result.warnings[1].find("\"Scales.200.Controls.MaskedButtons.PushButton.RGBA\""), std::string::npos);
    const PixelView& v = result.picture.View();
    // The font from 200 %, the buttons (cells 10 x 8 made 15 x 12) from 100 %:
    // column 6 of Cancel's 15-pixel cell at (441, 219) is column 4 of its 10.
    EXPECT_EQ(At(v, 9, 12), (Bgr{1, 33, 44}));
    const test::Rgbt opaque = test::ButtonPixel(0, 4, 0);
    EXPECT_EQ(At(v, 441 + 6, 219), (Bgr{opaque.blue, opaque.green, opaque.red}));
}

TEST(ScaledPreview, HalfClearButtonEdgesKeepTheirColour) {
    // 20 x 16 cells at 200 %, the left half clear black, the right half opaque
    // red 255, green 10 x cell; at 150 % column 7 of a 15-pixel cell is half of each.
    test::TestContainer container = test::MakeSkinContainer();
    std::vector<std::uint8_t> strip;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 60; ++x)
            if (x % 20 < 10) strip.insert(strip.end(), {0, 0, 0, 255});
            else strip.insert(strip.end(), {255, static_cast<std::uint8_t>(10 * (x / 20)), 0, 0});
    container.Integer("Scales.200.Controls.MaskedButtons.PushButton.Width", 60)
        .Integer("Scales.200.Controls.MaskedButtons.PushButton.CtrlWidth", 20)
        .Integer("Scales.200.Controls.MaskedButtons.PushButton.Height", 16)
        .Binary("Scales.200.Controls.MaskedButtons.PushButton.RGBA", strip);
    const auto bytes = container.Build();
    storage::Storage storage;
    ASSERT_TRUE(storage.OpenBytes(bytes.data(), bytes.size()));
    ButtonSkin skin;
    ASSERT_EQ(LoadButtonSkin(storage, "PushButton", skin, 150), SkinResult::Ok);
    ASSERT_EQ(skin.cellWidth, 15);
    ASSERT_EQ(skin.stripWidth, 45);
    for (int cell = 0; cell < 3; ++cell) {
        const std::uint8_t* edge = skin.strip.get() + (5 * 45 + cell * 15 + 7) * 4;
        EXPECT_EQ((std::vector<int>{edge[0], edge[1], edge[2], edge[3]}), (std::vector<int>{255, 10 * cell, 0, 128}));
    }
}

}  // namespace
}  // namespace imaging
