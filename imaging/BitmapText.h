#pragma once
// The arithmetic of the bitmap-font displays of the main window: the one-line
// ticker (glyphs from the "Font" picture) and the four-digit counter (glyphs from
// "Digits"). BitmapFont (BitmapFont_win.h) blits with GDI by these rules; the
// Draw...Into functions are their software twins over pixel views, used by the
// host preview and the tests.
//
// "Font": 42 cells of 12 x 13 pixels side by side, cell n from column n * 12:
//   0 blank (space and every byte without a glyph), 1-26 "A"-"Z", 27-36 "0"-"9",
//   37 ".", 38 ":", 39 "-", 40 "%", 41 ">".
// "Digits": 11 cells of 13 x 19 pixels; cell 0 an unlit digit, cell d + 1 digit d.
// "Units" (optional): two cells of equal width side by side, the counter's unit
// "KB" then "MB", drawn at (220, 118) over the background's own unit label.
// A readout is a short fixed line of "Font" cells at a place of the window's
// choosing, in a frame that shades whatever background lies under it.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "imaging/PixelBuffer.h"
#include "imaging/PixelView.h"

namespace imaging {

class DibImage;

inline constexpr int kGlyphWidth = 12;
inline constexpr int kGlyphHeight = 13;
// The ticker window in client coordinates.
inline constexpr int kTickerLeft = 6;
inline constexpr int kTickerTop = 8;
inline constexpr int kTickerWindowWidth = 295;
// The smallest gap behind the text before it comes round again.
inline constexpr int kTickerGap = 60;
// How far the text moves at each tick of the ticker's timer.
inline constexpr int kTickerStep = 2;
// Longer texts are cut: a strip wider than this serves no one.
inline constexpr std::size_t kMaxTickerCharacters = 1000;

inline constexpr int kDigitWidth = 13;
inline constexpr int kDigitHeight = 19;
inline constexpr int kCounterTop = 114;
inline constexpr std::array<int, 4> kCounterLefts = {163, 176, 189, 202};
inline constexpr const char* kUnitsNode = "Units";
inline constexpr int kUnitLeft = 220;
inline constexpr int kUnitTop = 118;

// The size of a cell of "Font", "Digits" or "Units" at a scale.
struct CellSize {
    int width = 0;
    int height = 0;
    bool operator==(const CellSize&) const = default;
};

// The ticker window and its motion at a scale (WindowGeometry.h); by default 100 %.
struct TickerGeometry {
    int left = kTickerLeft;
    int top = kTickerTop;
    int width = kTickerWindowWidth;
    int gap = kTickerGap;    // smallest gap behind the text
    int step = kTickerStep;  // pixels per tick
    CellSize glyph{kGlyphWidth, kGlyphHeight};
};

// The counter at a scale: four digit cells at lefts, top, and the unit's place.
struct CounterGeometry {
    int top = kCounterTop;
    std::array<int, 4> lefts = kCounterLefts;
    CellSize digit{kDigitWidth, kDigitHeight};
    Point unit{kUnitLeft, kUnitTop};
};

// The glyph cell of character c (already uppercased), and its first column in
// the 100 % font.
int GlyphCell(unsigned char c) noexcept;
inline int GlyphColumn(unsigned char c) noexcept { return GlyphCell(c) * kGlyphWidth; }
// One byte a character: ASCII letters uppercased, every other byte kept, except
// that a UTF-8 character beyond ASCII is kept as its lead byte alone (one blank
// cell, as any character without a glyph); cut to kMaxTickerCharacters characters.
std::string TickerCharacters(std::string_view text);

struct TickerLayout {
    int width = 0;   // of the rendered text: a glyph's width (12) per character
    int period = kTickerWindowWidth;  // scroll period: max(width + gap, window width): max(width + 60, 295)
    int windowWidth = kTickerWindowWidth;
};
TickerLayout LayoutTicker(std::size_t characters, const TickerGeometry& ticker = {}) noexcept;

// An offset reduced into 0 .. period - 1 (also for negative offsets).
int NormalizeTickerOffset(long long offset, int period) noexcept;

// One copy from the text strip into the ticker window.
struct TickerPiece {
    int srcX = 0;   // first strip column
    int dstX = 0;   // column in the ticker window
    int width = 0;
};
// The at most two pieces that show the text scrolled by offset: the text from
// column offset mod period at the left edge, and its start coming back in from
// the right edge period - r columns further on. Returns how many were written.
int TickerPieces(long long offset, const TickerLayout& layout, TickerPiece pieces[2]) noexcept;

// The four digit cells of n from left to right, leading zeros blank (cell 0) and
// the units always lit; false (cells untouched) for n outside 0 .. 9999.
bool CounterCells(int n, std::array<int, 4>& cells) noexcept;

// What the counter shows for a number of kilobytes: the kilobytes up to 9999;
// above that, only with a unit picture to say so, the megabytes rounded up (up to
// 9999 MB). False (face untouched) when it shows nothing.
enum class CounterUnit { Kilobytes = 0, Megabytes = 1 };
struct CounterFace {
    std::array<int, 4> cells{};
    CounterUnit unit = CounterUnit::Kilobytes;
};
bool CounterFaceFor(int kilobytes, bool hasUnitPicture, CounterFace& face) noexcept;
// The unit's cell in a "Units" picture of the given width: its first column and
// its width (half the picture each).
struct UnitCell {
    int srcX = 0;
    int width = 0;
};
UnitCell UnitCellOf(CounterUnit unit, int pictureWidth) noexcept;

// A readout: `cells` font cells side by side, the first at (left, top), showing
// a text centred in them (cut to the cells), framed by one pixel all round that
// darkens the picture under it above and to the left and lightens it below and
// to the right, so that it looks sunk into any plate. No cells: no readout.
// Places are those of the 100 % window; at a scale the cells are the scaled
// glyph's from the scaled corner and the frame is the 100 % frame's edges scaled
// (ReadoutPlaceAt, WindowGeometry.h), so it may be two pixels wide on a side.
struct Readout {
    int left = 0;
    int top = 0;
    int cells = 0;
};
// The whole readout, frame included, at a scale.
Rect ReadoutRect(const Readout& readout, int percent = 100) noexcept;

// Software twins of BitmapFont's drawing. `target` is a 24-bit window picture.
// Each takes the geometry of its scale (WindowGeometry.h) and pictures of that
// scale (ScaledArtLoad.h); the defaults are the 100 % window.
// The text rendered into a new 24-bit strip of layout.width x the glyph's height
// (13); the strip is empty when the text is empty or there is no font.
void RenderTickerStrip(DibImage* font, std::string_view characters, PixelBuffer& strip,
                       const TickerGeometry& ticker = {});
// The ticker window at (6, 8): the clean background, then the pieces of the strip.
void DrawTickerInto(const PixelView& target, const PixelView& clean, const PixelView* strip,
                    const TickerLayout& layout, long long offset, const TickerGeometry& ticker = {});
// The counter cells at y 114 and, with a unit picture, the unit at (220, 118);
// nothing when CounterFaceFor shows nothing or without digits.
void DrawCounterInto(const PixelView& target, DibImage* digits, DibImage* units, int n,
                     const CounterGeometry& counter = {});
// The readout with the characters (TickerCharacters), over what the target holds;
// nothing without cells or without a font. The GDI painter draws it this way too.
void DrawReadoutInto(const PixelView& target, DibImage* font, const Readout& readout, std::string_view characters,
                     int percent = 100);

}  // namespace imaging
