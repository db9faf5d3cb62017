#pragma once
// BitmapFont: the main window's painter (a BackgroundSet) with its bitmap-font
// displays at the window's scale (WindowGeometry.h): the scrolling one-line
// ticker (at 100 % at (6, 8), 295 x 13), the four-digit counter (at y 114) and,
// where the window asks for one, a readout (BitmapText.h gives the glyph tables
// and the arithmetic). Each display is drawn by its software twin into the
// composed picture and shown from there, so the window shows exactly what the
// preview renders. A full paint redraws them (PaintExtras); the window's timer
// and the installation run redraw the ticker and the counter directly between
// paints.
//
// Use (the main window, after SetOwner and before CreateBuffers):
//   painter.SetImages(&fontImage, &digitsImage);     // pictures of the scale
//   painter.SetGeometry(imaging::WindowGeometryAt(percent));
//   painter.SetTickerText(productName);               // renders the text once
//   every 20 ms: painter.DrawTicker(nullptr, painter.GetTickerOffset() + step);
//   painter.DrawNumber(nullptr, kilobytes);  painter.GetNumber();
#include <windows.h>

#include <string>
#include <string_view>

#include "imaging/BackgroundSet_win.h"
#include "imaging/BitmapText.h"
#include "imaging/PixelBuffer.h"
#include "imaging/WindowGeometry.h"

namespace imaging {

class DibImage;

class BitmapFont : public BackgroundSet {
public:
    BitmapFont() noexcept = default;
    ~BitmapFont() override;

    // The "Font" and "Digits" pictures, and the optional "Units" picture (null or
    // empty without one), drawn for the geometry's scale; not owned, they must
    // outlive this object's use.
    void SetImages(DibImage* fontImage, DibImage* digitsImage, DibImage* unitsImage = nullptr) noexcept;

    // The window's scale (100 % until set). The ticker's text is rendered again
    // from the font picture as it is now, and its offset kept at the same place
    // of the text. Draws nothing.
    void SetGeometry(const WindowGeometry& geometry);

    // Uppercases the text and renders it, a glyph's width per character, into the
    // ticker strip. Draws nothing. Without a font picture there is no strip and
    // the ticker shows its background.
    void SetTickerText(std::string_view text);
    // Stores the offset (reduced modulo the period, so it never turns negative and
    // can grow forever) and draws the ticker window scrolled to it, on dc or, when
    // dc is null, on the owner's client area.
    void DrawTicker(HDC dc, long long offset);
    // Stores n (kilobytes) and draws it in the counter cells on dc or, when dc is
    // null, on the owner's client area, with the unit when there is a unit picture
    // (CounterFaceFor); values it cannot show are stored but draw nothing.
    void DrawNumber(HDC dc, int n);

    // Places the readout (its 100 % place; drawn at the window's scale) and shows
    // text in it (uppercased as the ticker's), drawn at once over the plain
    // background and the overlays, and by every full paint.
    void SetReadout(const Readout& place, std::string_view text);

    int GetNumber() const noexcept { return number_; }
    int GetTickerOffset() const noexcept { return tickerOffset_; }
    int GetTickerWidth() const noexcept { return tickerLayout_.width; }
    int GetTickerPeriod() const noexcept { return tickerLayout_.period; }

protected:
    // The counter, the ticker and the readout into the composed picture.
    void PaintExtras() override;

private:
    void RenderTicker();
    // The ticker or the counter drawn into the composed picture, and the area it covers.
    Rect ComposeTicker();
    Rect ComposeCounter();

    WindowGeometry geometry_;
    std::string tickerCharacters_;
    TickerLayout tickerLayout_{};
    int tickerOffset_ = 0;
    PixelBuffer tickerStrip_;
    DibImage* fontImage_ = nullptr;
    DibImage* digitsImage_ = nullptr;
    DibImage* unitsImage_ = nullptr;
    int number_ = 0;
    Readout readout_{};
    std::string readoutText_;
};

}  // namespace imaging
