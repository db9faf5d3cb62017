#include "imaging/BitmapText.h"

#include <algorithm>

#include "imaging/DibImage.h"
#include "imaging/PixelOps.h"
#include "imaging/WindowGeometry.h"

namespace imaging {

int GlyphCell(unsigned char c) noexcept {
    if (c >= 'A' && c <= 'Z') return c - 64;
    if (c >= '0' && c <= '9') return c - 21;
    switch (c) {
        case '.': return 37;
        case ':': return 38;
        case '-': return 39;
        case '%': return 40;
        case '>': return 41;
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

TickerLayout LayoutTicker(std::size_t characters, const TickerGeometry& ticker) noexcept {
    const int width = static_cast<int>(std::min(characters, kMaxTickerCharacters)) * ticker.glyph.width;
    return TickerLayout{width, std::max(width + ticker.gap, ticker.width), ticker.width};
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
    const int first = std::min(layout.width - r, layout.windowWidth);
    if (first > 0) pieces[count++] = TickerPiece{r, 0, first};
    const int back = layout.period - r;
    if (back > 0 && back < layout.windowWidth) {
        const int second = std::min(layout.windowWidth - back, layout.width);
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

void RenderTickerStrip(DibImage* font, std::string_view characters, PixelBuffer& strip,
                       const TickerGeometry& ticker) {
    // Without a font there is nothing to show: no strip, so the ticker shows its background.
    strip.Reset(0, 0);
    if (!font || !font->IsValid()) return;
    const CellSize glyph = ticker.glyph;
    strip.Reset(LayoutTicker(characters.size(), ticker).width, glyph.height);
    if (strip.Empty()) return;
    for (std::size_t i = 0; i < characters.size() && i < kMaxTickerCharacters; ++i) {
        CopyRect(strip.View(), static_cast<int>(i) * glyph.width, 0, font->View(),
                 GlyphCell(static_cast<unsigned char>(characters[i])) * glyph.width, 0, glyph.width,
                 glyph.height);
    }
}

void DrawTickerInto(const PixelView& target, const PixelView& clean, const PixelView* strip,
                    const TickerLayout& layout, long long offset, const TickerGeometry& ticker) {
    const int height = ticker.glyph.height;
    CopyRect(target, ticker.left, ticker.top, clean, ticker.left, ticker.top, ticker.width, height);
    if (!strip || !strip->IsValid()) return;
    TickerPiece pieces[2];
    const int count = TickerPieces(offset, layout, pieces);
    for (int i = 0; i < count; ++i) {
        CopyRect(target, ticker.left + pieces[i].dstX, ticker.top, *strip, pieces[i].srcX, 0, pieces[i].width,
                 height);
    }
}

void DrawCounterInto(const PixelView& target, DibImage* digits, DibImage* units, int n,
                     const CounterGeometry& counter) {
    const bool hasUnits = units && units->IsValid();
    CounterFace face;
    if (!digits || !CounterFaceFor(n, hasUnits, face)) return;
    const CellSize digit = counter.digit;
    for (std::size_t i = 0; i < face.cells.size(); ++i)
        digits->DrawToView(target, counter.lefts[i], counter.top, face.cells[i] * digit.width, 0, digit.width,
                           digit.height);
    if (!hasUnits) return;
    const UnitCell cell = UnitCellOf(face.unit, units->GetWidth());
    units->DrawToView(target, counter.unit.x, counter.unit.y, cell.srcX, 0, cell.width, units->GetHeight());
}

Rect ReadoutRect(const Readout& readout, int percent) noexcept { return ReadoutPlaceAt(readout, percent).frame; }

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

void DrawReadoutInto(const PixelView& target, DibImage* font, const Readout& readout, std::string_view characters,
                     int percent) {
    if (readout.cells <= 0 || !font || !font->IsValid()) return;
    const ReadoutPlace place = ReadoutPlaceAt(readout, percent);
    const CellSize glyph = place.glyph;
    for (int cell = 0; cell < place.cells; ++cell) {
        CopyRect(target, place.left + cell * glyph.width, place.top, font->View(), GlyphCell(' ') * glyph.width,
                 0, glyph.width, glyph.height);
    }
    const std::string_view shown = characters.substr(0, static_cast<std::size_t>(place.cells));
    const int textLeft = place.left + (place.cells - static_cast<int>(shown.size())) * glyph.width / 2;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        CopyRect(target, textLeft + static_cast<int>(i) * glyph.width, place.top, font->View(),
                 GlyphCell(static_cast<unsigned char>(shown[i])) * glyph.width, 0, glyph.width,
                 glyph.height);
    }
    // The frame is what lies between its outer edge and the cells: half as bright
    // above and to the left of the cells, seven quarters below and to the right.
    const Rect frame = place.frame;
    const int cellsRight = place.left + place.cells * glyph.width;
    const int cellsBottom = place.top + glyph.height;
    for (int y = frame.top; y < frame.bottom; ++y) {
        for (int x = frame.left; x < frame.right; ++x) {
            if (x >= place.left && x < cellsRight && y >= place.top && y < cellsBottom) continue;
            ShadePixel(target, x, y, x < place.left || y < place.top ? 2 : 7);
        }
    }
}

}  // namespace imaging
