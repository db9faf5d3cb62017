// The window painter (BackgroundSet and BitmapFont) on a real window: buffers,
// the full paint, the ticker and the counter, checked against the skin's own
// pictures and against the software composition of the same container.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "WinTestSupport.h"
#include "imaging/MaskedButton_win.h"
#include "imaging/ScaledArtLoad.h"
#include "imaging/SkinPreview.h"
#include "imaging/WindowGeometry.h"
#include "imaging/WindowLayout.h"

namespace imaging {
namespace {

using test::Capture;

// The main window's start-up: images, buffers, background "1", four buttons.
class MainWindowSkin : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(5, 5);  // far from every button
        ASSERT_TRUE(test::OpenTestStorage(storage));
        ASSERT_TRUE(digitsImage.Load(storage, "Digits", ""));
        ASSERT_TRUE(fontImage.Load(storage, "Font", ""));
        painter().SetImages(&fontImage, &digitsImage);
        ASSERT_TRUE(painter().CreateBuffers(false));
        ASSERT_TRUE(painter().LoadBackground(storage, "1"));
        for (std::size_t i = 0; i < kMainButtons.size(); ++i) {
            ASSERT_TRUE(buttons[i].Attach(window.Item(kMainButtons[i].controlId)));
            ASSERT_TRUE(buttons[i].LoadSkin(painter(), storage, kMainButtonKind));
            buttons[i].MoveTo(kMainButtons[i].x, kMainButtons[i].y);
        }
    }
    BitmapFont& painter() { return window.painter; }
    Capture Window(int x, int y, int width, int height) {
        HDC dc = GetDC(window.Handle());
        Capture c = test::CaptureDc(dc, x, y, width, height);
        ReleaseDC(window.Handle(), dc);
        return c;
    }
    Capture Software(const PreviewContent& content) {
        PreviewResult result;
        EXPECT_TRUE(RenderWindowPreview(storage, content, result));
        return test::CaptureView(result.picture.View(), 0, 0, 450, 207);
    }

    storage::Storage storage;
    DibImage fontImage, digitsImage;
    test::SkinnedWindow window;
    std::array<MaskedButton, 4> buttons;
};

TEST_F(MainWindowSkin, BuffersFollowTheClientArea) {
    EXPECT_EQ(painter().BufferWidth(), 452);
    EXPECT_EQ(painter().BufferHeight(), 207);
    SetWindowPos(window.Handle(), nullptr, 0, 0, 448, 200, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(painter().CreateBuffers(false));
    EXPECT_EQ(painter().BufferWidth(), 452);
    EXPECT_EQ(painter().BufferHeight(), 200);
    ASSERT_TRUE(painter().CreateBuffers(true));
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(painter().BufferWidth(), WindowBuffers::BufferWidthFor(GetDeviceCaps(screen, HORZRES)));
    EXPECT_EQ(painter().BufferHeight(), GetDeviceCaps(screen, VERTRES));
    ReleaseDC(nullptr, screen);

    BitmapFont ownerless;
    EXPECT_FALSE(ownerless.CreateBuffers(false));
    EXPECT_FALSE(ownerless.PaintBackground(nullptr, 450, 207, true));
    ownerless.SetOwner(window.Handle());
    EXPECT_FALSE(ownerless.PaintBackground(nullptr, 450, 207, true)) << "no buffers yet";
    EXPECT_FALSE(ownerless.LoadBackground(storage, "1"));
    ownerless.DrawTicker(nullptr, 12);
    ownerless.DrawNumber(nullptr, 5);
    ownerless.RepaintOverlay(1000);
    EXPECT_EQ(ownerless.GetTickerOffset(), 12);
    EXPECT_EQ(ownerless.GetNumber(), 5);
}

TEST_F(MainWindowSkin, FullPaintEqualsTheSoftwareComposition) {
    const std::string name = "Tolvik Pellumar 1.0 Setup";
    painter().DrawNumber(nullptr, 701);
    painter().SetTickerText(name);
    painter().DrawTicker(nullptr, 37);
    const Capture want = Software(PreviewContent{701, name, 37});

    test::MemoryCanvas canvas(450, 207);
    ASSERT_TRUE(painter().PaintBackground(canvas.Dc(), 450, 207, true));
    EXPECT_EQ(test::Difference(canvas.Read(0, 0, 450, 207), want), "");

    // The same on the window itself, drawn by its own erase handler.
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    test::PumpMessages();
    EXPECT_EQ(test::Difference(Window(0, 0, 450, 207), want), "");
}

TEST_F(MainWindowSkin, TickerStripIsTheFontCellsSideBySide) {
    painter().SetTickerText("Complete: 5%");
    EXPECT_EQ(painter().GetTickerWidth(), 144);
    EXPECT_EQ(painter().GetTickerPeriod(), 295);
    painter().DrawTicker(nullptr, 0);
    const Capture ticker = Window(6, 8, 295, 13);
    const std::string text = "COMPLETE: 5%";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Capture cell = test::CaptureView(fontImage.View(), GlyphColumn(static_cast<unsigned char>(text[i])), 0, 12, 13);
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_TRUE(ticker.Same(static_cast<int>(i) * 12 + x, y, cell.At(x, y))) << text[i] << " " << x << "," << y;
    }
    // Right of the text the clean background shows, never an overlay.
    const Capture clean = test::CaptureView(painter().CleanView(), 6, 8, 295, 13);
    EXPECT_TRUE(ticker.Same(200, 5, clean.At(200, 5)));

    // Offset 200: the first piece is empty and the text comes in at x 95.
    painter().DrawTicker(nullptr, 200);
    const Capture moved = Window(6, 8, 295, 13);
    const Capture c = test::CaptureView(fontImage.View(), GlyphColumn('C'), 0, 12, 13);
    EXPECT_TRUE(moved.Same(95, 0, c.At(0, 0)));
    EXPECT_TRUE(moved.Same(94, 0, clean.At(94, 0)));
    EXPECT_EQ(painter().GetTickerOffset(), 200);
}

TEST_F(MainWindowSkin, TickerOffsetStaysInsideThePeriod) {
    painter().SetTickerText(std::string(25, 'A'));
    EXPECT_EQ(painter().GetTickerPeriod(), 360);
    painter().DrawTicker(nullptr, -2);
    EXPECT_EQ(painter().GetTickerOffset(), 358);
    painter().DrawTicker(nullptr, 2147483647LL + 100);
    EXPECT_EQ(painter().GetTickerOffset(), (2147483647LL + 100) % 360);
    painter().DrawTicker(nullptr, -2);
    // The window's timer adds 2 to what it reads back: that never overflows.
    for (int i = 0; i < 400; ++i) painter().DrawTicker(nullptr, painter().GetTickerOffset() + 2);
    EXPECT_EQ(painter().GetTickerOffset(), (358 + 800) % 360);
}

TEST_F(MainWindowSkin, CounterShowsBlankBlankFourTwo) {
    painter().DrawNumber(nullptr, 42);
    const int lefts[] = {163, 176, 189, 202}, cells[] = {0, 0, 5, 3};
    for (int i = 0; i < 4; ++i) {
        const Capture shown = Window(lefts[i], 114, 13, 19);
        const Capture cell = test::CaptureView(digitsImage.View(), cells[i] * 13, 0, 13, 19);
        EXPECT_EQ(shown.bgr, cell.bgr) << "cell " << i;
    }
    const Capture before = Window(163, 114, 52, 19);
    painter().DrawNumber(nullptr, 10000);
    EXPECT_EQ(painter().GetNumber(), 10000);
    painter().DrawNumber(nullptr, -1);
    EXPECT_EQ(painter().GetNumber(), -1);
    EXPECT_EQ(Window(163, 114, 52, 19).bgr, before.bgr);
}

TEST_F(MainWindowSkin, HiddenButtonShowsTheCleanBackground) {
    ShowWindow(window.Item(1000), SW_HIDE);
    test::MemoryCanvas canvas(450, 207);
    ASSERT_TRUE(painter().PaintBackground(canvas.Dc(), 450, 207, false));
    EXPECT_EQ(canvas.Read(114, 146, 44, 32).bgr, test::CaptureView(painter().CleanView(), 114, 146, 44, 32).bgr);
    EXPECT_NE(canvas.Read(174, 146, 44, 32).bgr, test::CaptureView(painter().CleanView(), 174, 146, 44, 32).bgr);
}

TEST_F(MainWindowSkin, ColumnsPastTheBackgroundRepeatItsFirstColumns) {
    const Capture clean = test::CaptureView(painter().CleanView(), 0, 0, 452, 207);
    for (int y : {0, 100, 206}) {
        EXPECT_TRUE(clean.Same(450, y, clean.At(0, y)));
        EXPECT_TRUE(clean.Same(451, y, clean.At(1, y)));
    }
}

// At 150 % (art made from the 100 % skin: enlarged twice, then reduced) the
// window is skinned through the scaled geometry, and paints exactly what the
// software composition at 150 % renders: in a full paint, and where the ticker
// and the counter are drawn between paints.
TEST(ScaledPainter, PaintsAsTheSoftwareCompositionAtTheScale) {
    constexpr int kPercent = 150;
    const WindowGeometry geometry = WindowGeometryAt(kPercent);
    const int width = geometry.clientWidth, height = geometry.clientHeight;
    storage::Storage storage;
    ASSERT_TRUE(test::OpenTestStorage(storage));
    test::SkinnedWindow window;
    SetWindowPos(window.Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    DibImage font, digits;
    ASSERT_TRUE(LoadCellPictureAt(storage, "Font", kPercent, font));
    ASSERT_TRUE(LoadCellPictureAt(storage, "Digits", kPercent, digits));
    BitmapFont& painter = window.painter;
    painter.SetImages(&font, &digits);
    painter.SetGeometry(geometry);
    ASSERT_TRUE(painter.CreateBuffers(false));
    ASSERT_TRUE(painter.LoadBackground(storage, kMainBackgroundName, kPercent));
    std::array<MaskedButton, 4> buttons;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        ASSERT_TRUE(buttons[i].Attach(window.Item(geometry.buttons[i].controlId)));
        ASSERT_TRUE(buttons[i].LoadSkin(painter, storage, kMainButtonKind, kPercent));
        buttons[i].MoveTo(geometry.buttons[i].x, geometry.buttons[i].y);
    }
    const std::string name = "Tolvik Pellumar 1.0 Setup";
    painter.SetTickerText(name);
    EXPECT_EQ(painter.GetTickerWidth(), 25 * 18);
    PreviewResult want;
    ASSERT_TRUE(RenderWindowPreview(storage, PreviewContent{701, name, 55}, want, kPercent));
    const Capture software = test::CaptureView(want.picture.View(), 0, 0, width, height);

    painter.DrawNumber(nullptr, 701);
    painter.DrawTicker(nullptr, 55);
    HDC dc = GetDC(window.Handle());
    const TickerGeometry& t = geometry.ticker;
    const Rect counter{geometry.counter.lefts[0], geometry.counter.top,
                       geometry.counter.lefts[3] + geometry.counter.digit.width,
                       geometry.counter.top + geometry.counter.digit.height};
    EXPECT_EQ(test::Difference(test::CaptureDc(dc, t.left, t.top, t.width, t.glyph.height),
                               test::CaptureView(want.picture.View(), t.left, t.top, t.width, t.glyph.height)),
              "");
    EXPECT_EQ(test::Difference(test::CaptureDc(dc, counter.left, counter.top, counter.Width(), counter.Height()),
                               test::CaptureView(want.picture.View(), counter.left, counter.top, counter.Width(),
                                                 counter.Height())),
              "");
    ReleaseDC(window.Handle(), dc);

    test::MemoryCanvas canvas(width, height);
    ASSERT_TRUE(painter.PaintBackground(canvas.Dc(), width, height, true));
    EXPECT_EQ(test::Difference(canvas.Read(0, 0, width, height), software), "");
}

}  // namespace
}  // namespace imaging
