#pragma once
// The main window's geometry at a display scale: every place and size of the
// 100 % window (WindowLayout.h, BitmapText.h) mapped through ScaledLength. A
// rectangle maps edge by edge (its right is ScaledLength(left + width)), so
// pieces that touch at 100 % touch at every scale. At 100 % every value is the
// constant itself. The window (SetupDialog, the painter, the buttons) and the
// software preview both place everything from here.
#include <array>

#include "imaging/BitmapText.h"
#include "imaging/PixelView.h"
#include "imaging/ScaledArt.h"
#include "imaging/WindowLayout.h"

namespace imaging {

// A readout at a scale: the first font cell at (left, top), `cells` cells of
// glyph size side by side, and the whole readout with its frame.
struct ReadoutPlace {
    int left = 0;
    int top = 0;
    int cells = 0;
    CellSize glyph{kGlyphWidth, kGlyphHeight};
    Rect frame;
};

struct WindowGeometry {
    int percent = kBaseScale;
    int clientWidth = kMainClientWidth;
    int clientHeight = kMainClientHeight;
    std::array<Rect, 4> outlinePieces = kOutlinePieces;
    std::array<Point, 3> outlineTip = kOutlineTip;
    std::array<ButtonPlacement, 4> buttons = kMainButtons;  // sizes come from the scaled skin
    ButtonPlacement scopeToggle = kScopeToggle;
    ReadoutPlace scopeReadout;
    Rect pathField = kPathField;
    TickerGeometry ticker;
    CounterGeometry counter;
};

// The readout at a scale: cells of the scaled glyph from the scaled corner, the
// frame the 100 % frame's edges scaled.
ReadoutPlace ReadoutPlaceAt(const Readout& readout, int percent) noexcept;

// The window at `percent` (kBaseScale .. kLargestWindowScale).
WindowGeometry WindowGeometryAt(int percent) noexcept;

}  // namespace imaging
