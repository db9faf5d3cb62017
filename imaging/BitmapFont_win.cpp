#include "imaging/BitmapFont_win.h"

#include <array>
#include <optional>
#include <string>

#include "imaging/DibImage.h"

namespace imaging {

namespace {
// The given context, or the owner's own one (released when this goes).
class TargetDc {
public:
    TargetDc(HDC dc, HWND owner) noexcept {
        if (dc) {
            dc_ = dc;
        } else if (owner) {
            ownerDc_.emplace(owner);
            dc_ = *ownerDc_;
        }
    }
    HDC Get() const noexcept { return dc_; }

private:
    std::optional<framework::WindowDc> ownerDc_;
    HDC dc_ = nullptr;
};
}  // namespace

BitmapFont::~BitmapFont() = default;

void BitmapFont::SetImages(DibImage* fontImage, DibImage* digitsImage, DibImage* unitsImage) noexcept {
    fontImage_ = fontImage;
    digitsImage_ = digitsImage;
    unitsImage_ = unitsImage;
}

void BitmapFont::SetTickerText(std::string_view text) {
    const std::string characters = TickerCharacters(text);
    tickerLayout_ = LayoutTicker(characters.size());
    tickerStrip_.Reset();
    if (tickerLayout_.width <= 0 || !fontImage_ || !fontImage_->IsValid()) return;

    framework::WindowDc ownerDc(GetOwner());
    if (!ownerDc) return;
    framework::BitmapHandle strip(CreateCompatibleBitmap(ownerDc, tickerLayout_.width, kGlyphHeight));
    framework::MemoryDc stripDc(CreateCompatibleDC(ownerDc));
    framework::MemoryDc fontDc(CreateCompatibleDC(ownerDc));
    if (!strip || !stripDc || !fontDc) return;
    {
        framework::ScopedSelect selectStrip(stripDc, strip.Get());
        framework::ScopedSelect selectFont(fontDc, fontImage_->GetBitmap());
        for (std::size_t i = 0; i < characters.size(); ++i) {
            BitBlt(stripDc, static_cast<int>(i) * kGlyphWidth, 0, kGlyphWidth, kGlyphHeight, fontDc,
                   GlyphColumn(static_cast<unsigned char>(characters[i])), 0, SRCCOPY);
        }
    }
    tickerStrip_ = std::move(strip);
}

void BitmapFont::DrawTicker(HDC dc, long long offset) {
    tickerOffset_ = NormalizeTickerOffset(offset, tickerLayout_.period);
    const TargetDc target(dc, GetOwner());
    if (!target.Get() || !HasBuffers()) return;

    framework::BitmapHandle window(CreateCompatibleBitmap(target.Get(), kTickerWindowWidth, kGlyphHeight));
    framework::MemoryDc windowDc(CreateCompatibleDC(target.Get()));
    framework::MemoryDc cleanDc(CreateCompatibleDC(target.Get()));
    framework::MemoryDc stripDc(CreateCompatibleDC(target.Get()));
    if (!window || !windowDc || !cleanDc || !stripDc) return;
    framework::ScopedSelect selectWindow(windowDc, window.Get());
    framework::ScopedSelect selectClean(cleanDc, static_cast<HBITMAP>(CleanHandle()));
    framework::ScopedSelect selectStrip(stripDc, tickerStrip_.Get());

    // The ticker always draws over the plain background, never over overlays.
    BitBlt(windowDc, 0, 0, kTickerWindowWidth, kGlyphHeight, cleanDc, kTickerLeft, kTickerTop, SRCCOPY);
    if (tickerStrip_) {
        TickerPiece pieces[2];
        const int count = TickerPieces(tickerOffset_, tickerLayout_, pieces);
        for (int i = 0; i < count; ++i)
            BitBlt(windowDc, pieces[i].dstX, 0, pieces[i].width, kGlyphHeight, stripDc, pieces[i].srcX, 0, SRCCOPY);
    }
    BitBlt(target.Get(), kTickerLeft, kTickerTop, kTickerWindowWidth, kGlyphHeight, windowDc, 0, 0, SRCCOPY);
}

void BitmapFont::DrawNumber(HDC dc, int n) {
    number_ = n;
    const bool hasUnits = unitsImage_ && unitsImage_->IsValid();
    CounterFace face;
    if (!digitsImage_ || !CounterFaceFor(n, hasUnits, face)) return;
    const TargetDc target(dc, GetOwner());
    if (!target.Get()) return;
    for (std::size_t i = 0; i < face.cells.size(); ++i)
        digitsImage_->Draw(target.Get(), kCounterLefts[i], kCounterTop, face.cells[i] * kDigitWidth, 0, kDigitWidth,
                           kDigitHeight);
    if (!hasUnits) return;
    const UnitCell cell = UnitCellOf(face.unit, unitsImage_->GetWidth());
    unitsImage_->Draw(target.Get(), kUnitLeft, kUnitTop, cell.srcX, 0, cell.width, unitsImage_->GetHeight());
}

void BitmapFont::SetReadout(const Readout& place, std::string_view text) {
    readout_ = place;
    readoutText_ = TickerCharacters(text);
    RepaintArea(ReadoutRect(readout_), true);
}

void BitmapFont::PaintExtras(HDC memoryDc, std::uint8_t*, int, int, int, int) {
    DrawNumber(memoryDc, number_);
    DrawTicker(memoryDc, tickerOffset_);
    if (readout_.cells <= 0) return;
    GdiFlush();  // GDI must be done with the section before its bytes are written
    DrawReadoutInto(ComposeView(), fontImage_, readout_, readoutText_);
}

}  // namespace imaging
