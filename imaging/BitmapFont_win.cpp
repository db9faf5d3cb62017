#include "imaging/BitmapFont_win.h"

#include <algorithm>

#include "imaging/DibImage.h"

namespace imaging {

BitmapFont::~BitmapFont() = default;

void BitmapFont::SetImages(DibImage* fontImage, DibImage* digitsImage, DibImage* unitsImage) noexcept {
    fontImage_ = fontImage;
    digitsImage_ = digitsImage;
    unitsImage_ = unitsImage;
}

void BitmapFont::SetGeometry(const WindowGeometry& geometry) {
    const int before = geometry_.percent;
    geometry_ = geometry;
    RenderTicker();
    tickerOffset_ = NormalizeTickerOffset(static_cast<long long>(tickerOffset_) * geometry.percent / before,
                                          tickerLayout_.period);
}

void BitmapFont::SetTickerText(std::string_view text) {
    tickerCharacters_ = TickerCharacters(text);
    RenderTicker();
}

void BitmapFont::RenderTicker() {
    tickerLayout_ = LayoutTicker(tickerCharacters_.size(), geometry_.ticker);
    RenderTickerStrip(fontImage_, tickerCharacters_, tickerStrip_, geometry_.ticker);
}

Rect BitmapFont::ComposeTicker() {
    const TickerGeometry& ticker = geometry_.ticker;
    GdiFlush();  // GDI must be done with the section before its bytes are written
    DrawTickerInto(ComposeView(), CleanView(), tickerStrip_.Empty() ? nullptr : &tickerStrip_.View(), tickerLayout_,
                   tickerOffset_, ticker);
    return Rect{ticker.left, ticker.top, ticker.left + ticker.width, ticker.top + ticker.glyph.height};
}

Rect BitmapFont::ComposeCounter() {
    const CounterGeometry& counter = geometry_.counter;
    GdiFlush();
    DrawCounterInto(ComposeView(), digitsImage_, unitsImage_, number_, counter);
    Rect area{counter.lefts.front(), counter.top, counter.lefts.back() + counter.digit.width,
              counter.top + counter.digit.height};
    if (unitsImage_ && unitsImage_->IsValid()) {  // the unit, right of the cells
        area.right = std::max(area.right, counter.unit.x + unitsImage_->GetWidth() / 2);
        area.top = std::min(area.top, counter.unit.y);
        area.bottom = std::max(area.bottom, counter.unit.y + unitsImage_->GetHeight());
    }
    return area;
}

void BitmapFont::DrawTicker(HDC dc, long long offset) {
    tickerOffset_ = NormalizeTickerOffset(offset, tickerLayout_.period);
    if (HasBuffers()) ShowComposed(dc, ComposeTicker());
}

void BitmapFont::DrawNumber(HDC dc, int n) {
    number_ = n;
    CounterFace face;
    if (!digitsImage_ || !CounterFaceFor(n, unitsImage_ && unitsImage_->IsValid(), face) || !HasBuffers()) return;
    ShowComposed(dc, ComposeCounter());
}

void BitmapFont::SetReadout(const Readout& place, std::string_view text) {
    readout_ = place;
    readoutText_ = TickerCharacters(text);
    RepaintArea(ReadoutRect(readout_, geometry_.percent), true);
}

void BitmapFont::PaintExtras() {
    ComposeCounter();
    ComposeTicker();
    if (readout_.cells <= 0) return;
    DrawReadoutInto(ComposeView(), fontImage_, readout_, readoutText_, geometry_.percent);
}

}  // namespace imaging
