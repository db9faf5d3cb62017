// DibImage::Draw through GDI gives the same pixels as its software twin.
#include <gtest/gtest.h>

#include "SkinFixtures.h"
#include "WinTestSupport.h"
#include "imaging/PixelBuffer.h"

namespace imaging {
namespace {

using test::Capture;
using test::MemoryCanvas;

struct DrawCase {
    int x, y, srcX, srcY, width, height;
};

void ExpectDrawMatchesTwin(DibImage& image, const DrawCase& c) {
    MemoryCanvas canvas(200, 60);
    PixelBuffer twin(200, 60, 3);
    EXPECT_TRUE(image.Draw(canvas.Dc(), c.x, c.y, c.srcX, c.srcY, c.width, c.height));
    const int gdiStatus = image.Status().statusCode;
    EXPECT_TRUE(image.DrawToView(twin.View(), c.x, c.y, c.srcX, c.srcY, c.width, c.height));
    EXPECT_EQ(image.Status().statusCode, gdiStatus);
    const Capture got = canvas.Read(0, 0, 200, 60);
    const Capture want = test::CaptureView(twin.View(), 0, 0, 200, 60);
    EXPECT_EQ(got.bgr, want.bgr) << c.x << "," << c.y << " from " << c.srcX << "," << c.srcY << " " << c.width
                                 << "x" << c.height;
}

TEST(DibImageDraw, TwentyFourBitPictureFromTheContainer) {
    storage::Storage storage;
    ASSERT_TRUE(test::OpenTestStorage(storage));
    DibImage digits;
    ASSERT_TRUE(digits.Load(storage, "Digits", ""));
    ASSERT_NE(digits.GetBitmap(), nullptr);
    for (const DrawCase c : {DrawCase{10, 5, 26, 0, 13, 19}, DrawCase{0, 0, 13, 0, 200, 19},
                             DrawCase{0, 0, -5, -5, 2, 2}, DrawCase{150, 40, 0, 0, 143, 19}}) {
        ExpectDrawMatchesTwin(digits, c);
    }
    // The over-wide case drew 130 columns: column 129 is the picture's last one.
    MemoryCanvas canvas(200, 20);
    ASSERT_TRUE(digits.Draw(canvas.Dc(), 0, 0, 13, 0, 200, 19));
    const Capture got = canvas.Read(0, 0, 200, 20);
    EXPECT_TRUE(got.Same(129, 0, digits.GetPixelAddress(142, 18)));
}

TEST(DibImageDraw, StartAtTheRightEdgeIsNotedButStillBlitted) {
    storage::Storage storage;
    ASSERT_TRUE(test::OpenTestStorage(storage));
    DibImage digits;
    ASSERT_TRUE(digits.Load(storage, "Digits", ""));
    MemoryCanvas canvas(20, 20);
    digits.Draw(canvas.Dc(), 0, 0, 143, 0, 5, 5);
    EXPECT_EQ(digits.Status().statusCode, -3);
    DibImage empty;
    EXPECT_FALSE(empty.Draw(canvas.Dc(), 0, 0, 0, 0, 5, 5));
    EXPECT_EQ(empty.GetBitmap(), nullptr);
}

TEST(DibImageDraw, ThirtyTwoBitPictureOverEachBackdrop) {
    const auto record = test::MakeImageRecord(30, 20, 0, [](int x, int y) {
        return test::RecordPixel{static_cast<std::uint8_t>((x * 37 + y * 11) % 256), static_cast<std::uint8_t>(x * 8),
                                 static_cast<std::uint8_t>(y * 12), 200};
    });
    DibImage picture, backdrop;
    ASSERT_TRUE(picture.LoadRecord(record.data(), record.size()));
    ASSERT_TRUE(backdrop.Create(40, 40, false));
    backdrop.FillChecker(MakeColor(10, 20, 30), MakeColor(200, 100, 50), 3);

    picture.SetBackdropColor(MakeColor(90, 80, 70));
    ExpectDrawMatchesTwin(picture, DrawCase{3, 4, 2, 1, 20, 15});
    picture.SetBackdropChecker(MakeColor(0, 0, 0), MakeColor(255, 255, 255), 4);
    ExpectDrawMatchesTwin(picture, DrawCase{3, 4, 0, 0, 30, 20});
    picture.SetBackdropImage(&backdrop);
    ExpectDrawMatchesTwin(picture, DrawCase{50, 4, 5, 5, 25, 15});

    MemoryCanvas canvas(50, 50);
    EXPECT_FALSE(picture.Draw(canvas.Dc(), 0, 0, 30, 0, 1, 1)) << "the compose refuses the start";
    DibImage small;
    ASSERT_TRUE(small.Create(4, 4, false));
    picture.SetBackdropImage(&small);
    EXPECT_FALSE(picture.Draw(canvas.Dc(), 0, 0, 0, 0, 10, 10)) << "backdrop smaller than the rectangle";
}

}  // namespace
}  // namespace imaging
