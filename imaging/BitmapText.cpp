#include "imaging/BitmapText.h"

#include <algorithm>

#include "imaging/DibImage.h"
#include "imaging/PixelOps.h"

namespace imaging {

int GlyphColumn(unsigned char c) noexcept {
    if (c >= 'A' && c <= 'Z') return (c - 64) * kGlyphWidth;
    if (c >= '0' && c <= '9') return (c - 21) * kGlyphWidth;
    switch (c) {
        case '.': return 37 * kGlyphWidth;
        case ':': return 38 * kGlyphWidth;
        case '-': return 39 * kGlyphWidth;
        case '%': return 40 * kGlyphWidth;
        case '>': return 41 * kGlyphWidth;
        default: return 0;
    }
}

std::string TickerCharacters(std::string_view text) {
    std::string result;
    int continuations = 0;  // UTF-8 bytes still to come of the character just taken
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (continuations > 0 && c >= 0x80 && c <= 0xBF) {
            --continuations;
            continue;
        }
        if (result.size() == kMaxTickerCharacters) break;
        continuations = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        // Only ASCII letters have glyphs, so every other character, a UTF-8
        // sequence taken by its lead byte, ends in the blank cell either way.
        result += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : byte;
    }
    return result;
}

TickerLayout LayoutTicker(std::size_t characters) noexcept {
    const int width = static_cast<int>(std::min(characters, kMaxTickerCharacters)) * kGlyphWidth;
    return TickerLayout{width, std::max(width + kTickerGap, kTickerWindowWidth)};
}

int NormalizeTickerOffset(long long offset, int period) noexcept {
    if (period <= 0) return 0;
    long long r = offset % period;
    if (r < 0) r += period;
    return static_cast<int>(r);
}

int TickerPieces(long long offset, const TickerLayout& layout, TickerPiece pieces[2]) noexcept {
    const int r = NormalizeTickerOffset(offset, layout.period);
    int count = 0;
    const int first = std::min(layout.width - r, kTickerWindowWidth);
    if (first > 0) pieces[count++] = TickerPiece{r, 0, first};
    const int back = layout.period - r;
    if (back > 0 && back < kTickerWindowWidth) {
        const int second = std::min(kTickerWindowWidth - back, layout.width);
        if (second > 0) pieces[count++] = TickerPiece{0, back, second};
    }
    return count;
}

bool CounterCells(int n, std::array<int, 4>& cells) noexcept {
    if (n < 0 || n > 9999) return false;
    std::array<int, 4> c = {n / 1000 + 1, (n / 100) % 10 + 1, (n / 10) % 10 + 1, n % 10 + 1};
    if (c[0] == 1) c[0] = 0;
    if (c[1] == 1 && c[0] == 0) c[1] = 0;
    if (c[2] == 1 && c[0] == 0 && c[1] == 0) c[2] = 0;
    cells = c;
    return true;
}

bool CounterFaceFor(int kilobytes, bool hasUnitPicture, CounterFace& face) noexcept {
    CounterFace result;
    if (!CounterCells(kilobytes, result.cells)) {
        // Above 9999 KB: whole megabytes, rounded up, when the unit picture can say so.
        const long long megabytes = (static_cast<long long>(kilobytes) + 1023) / 1024;
        if (!hasUnitPicture || kilobytes < 0 || megabytes > 9999) return false;
        CounterCells(static_cast<int>(megabytes), result.cells);
        result.unit = CounterUnit::Megabytes;
    }
    face = result;
    return true;
}

UnitCell UnitCellOf(CounterUnit unit, int pictureWidth) noexcept {
    const int width = pictureWidth > 0 ? pictureWidth / 2 : 0;
    return UnitCell{unit == CounterUnit::Megabytes ? width : 0, width};
}

void RenderTickerStrip(DibImage* font, std::string_view characters, PixelBuffer& strip) {
    // Without a font there is nothing to show: no strip, so the ticker shows its background.
    strip.Reset(0, 0);
    if (!font || !font->IsValid()) return;
    strip.Reset(LayoutTicker(characters.size()).width, kGlyphHeight);
    if (strip.Empty()) return;
    for (std::size_t i = 0; i < characters.size() && i < kMaxTickerCharacters; ++i) {
        CopyRect(strip.View(), static_cast<int>(i) * kGlyphWidth, 0, font->View(),
                 GlyphColumn(static_cast<unsigned char>(characters[i])), 0, kGlyphWidth, kGlyphHeight);
    }
}

void DrawTickerInto(const PixelView& target, const PixelView& clean, const PixelView* strip,
                    const TickerLayout& layout, long long offset) {
    CopyRect(target, kTickerLeft, kTickerTop, clean, kTickerLeft, kTickerTop, kTickerWindowWidth, kGlyphHeight);
    if (!strip || !strip->IsValid()) return;
    TickerPiece pieces[2];
    const int count = TickerPieces(offset, layout, pieces);
    for (int i = 0; i < count; ++i) {
        CopyRect(target, kTickerLeft + pieces[i].dstX, kTickerTop, *strip, pieces[i].srcX, 0, pieces[i].width,
                 kGlyphHeight);
    }
}

void DrawCounterInto(const PixelView& target, DibImage* digits, DibImage* units, int n) {
    const bool hasUnits = units && units->IsValid();
    CounterFace face;
    if (!digits || !CounterFaceFor(n, hasUnits, face)) return;
    for (std::size_t i = 0; i < face.cells.size(); ++i)
        digits->DrawToView(target, kCounterLefts[i], kCounterTop, face.cells[i] * kDigitWidth, 0, kDigitWidth,
                           kDigitHeight);
    if (!hasUnits) return;
    const UnitCell cell = UnitCellOf(face.unit, units->GetWidth());
    units->DrawToView(target, kUnitLeft, kUnitTop, cell.srcX, 0, cell.width, units->GetHeight());
}

Rect ReadoutRect(const Readout& readout) noexcept {
    return Rect{readout.left - 1, readout.top - 1, readout.left + readout.cells * kGlyphWidth + 1,
                readout.top + kGlyphHeight + 1};
}

namespace {

// Multiplies the colour of the target's pixel at (x, y) by numerator / 4, each
// channel at most 255; nothing outside the target.
void ShadePixel(const PixelView& target, int x, int y, int numerator) {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return;
    std::uint8_t* pixel = target.WindowRow(y) + static_cast<std::ptrdiff_t>(x) * target.bytesPerPixel;
    for (int channel = 0; channel < 3; ++channel) {
        pixel[channel] = static_cast<std::uint8_t>(std::min(pixel[channel] * numerator / 4, 255));
    }
}

}  // namespace

void DrawReadoutInto(const PixelView& target, DibImage* font, const Readout& readout, std::string_view characters) {
    if (readout.cells <= 0 || !font || !font->IsValid()) return;
    const int width = readout.cells * kGlyphWidth;
    for (int cell = 0; cell < readout.cells; ++cell) {
        CopyRect(target, readout.left + cell * kGlyphWidth, readout.top, font->View(), GlyphColumn(' '), 0,
                 kGlyphWidth, kGlyphHeight);
    }
    const std::string_view shown = characters.substr(0, static_cast<std::size_t>(readout.cells));
    const int textLeft = readout.left + (width - static_cast<int>(shown.size()) * kGlyphWidth) / 2;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        CopyRect(target, textLeft + static_cast<int>(i) * kGlyphWidth, readout.top, font->View(),
                 GlyphColumn(static_cast<unsigned char>(shown[i])), 0, kGlyphWidth, kGlyphHeight);
    }
    // Half as bright above and to the left, seven quarters below and to the right.
    const Rect frame = ReadoutRect(readout);
    for (int x = frame.left; x < frame.right; ++x) ShadePixel(target, x, frame.top, 2);
    for (int y = frame.top + 1; y < frame.bottom; ++y) ShadePixel(target, frame.left, y, 2);
    for (int x = frame.left + 1; x < frame.right; ++x) ShadePixel(target, x, frame.bottom - 1, 7);
    for (int y = frame.top + 1; y < frame.bottom - 1; ++y) ShadePixel(target, frame.right - 1, y, 7);
}

}  // namespace imaging
