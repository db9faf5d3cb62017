#include "imaging/WindowGeometry.h"

namespace imaging {

namespace {

Rect ScaledRect(const Rect& r, int percent) noexcept {
    return Rect{ScaledLength(r.left, percent), ScaledLength(r.top, percent), ScaledLength(r.right, percent),
                ScaledLength(r.bottom, percent)};
}

Point ScaledPoint(const Point& p, int percent) noexcept {
    return Point{ScaledLength(p.x, percent), ScaledLength(p.y, percent)};
}

ButtonPlacement ScaledPlacement(const ButtonPlacement& b, int percent) noexcept {
    return ButtonPlacement{b.controlId, ScaledLength(b.x, percent), ScaledLength(b.y, percent)};
}

// A cell's size at a scale: each of its lengths scaled, as the scaled pictures draw it.
CellSize ScaledCell(int width, int height, int percent) noexcept {
    return CellSize{ScaledLength(width, percent), ScaledLength(height, percent)};
}

}  // namespace

ReadoutPlace ReadoutPlaceAt(const Readout& readout, int percent) noexcept {
    // One pixel round the cells at 100 %.
    const Rect frame{readout.left - 1, readout.top - 1, readout.left + readout.cells * kGlyphWidth + 1,
                     readout.top + kGlyphHeight + 1};
    return ReadoutPlace{ScaledLength(readout.left, percent), ScaledLength(readout.top, percent), readout.cells,
                        ScaledCell(kGlyphWidth, kGlyphHeight, percent), ScaledRect(frame, percent)};
}

WindowGeometry WindowGeometryAt(int percent) noexcept {
    WindowGeometry g;
    g.percent = percent;
    g.clientWidth = ScaledLength(kMainClientWidth, percent);
    g.clientHeight = ScaledLength(kMainClientHeight, percent);
    for (std::size_t i = 0; i < kOutlinePieces.size(); ++i) g.outlinePieces[i] = ScaledRect(kOutlinePieces[i], percent);
    for (std::size_t i = 0; i < kOutlineTip.size(); ++i) g.outlineTip[i] = ScaledPoint(kOutlineTip[i], percent);
    for (std::size_t i = 0; i < kMainButtons.size(); ++i) g.buttons[i] = ScaledPlacement(kMainButtons[i], percent);
    g.scopeToggle = ScaledPlacement(kScopeToggle, percent);
    g.scopeReadout = ReadoutPlaceAt(kScopeReadout, percent);
    g.pathField = ScaledRect(kPathField, percent);

    TickerGeometry& t = g.ticker;
    t.left = ScaledLength(kTickerLeft, percent);
    t.top = ScaledLength(kTickerTop, percent);
    t.width = ScaledLength(kTickerLeft + kTickerWindowWidth, percent) - t.left;
    t.gap = ScaledLength(kTickerGap, percent);
    t.step = ScaledLength(kTickerStep, percent);
    t.glyph = ScaledCell(kGlyphWidth, kGlyphHeight, percent);

    CounterGeometry& c = g.counter;
    c.top = ScaledLength(kCounterTop, percent);
    for (std::size_t i = 0; i < kCounterLefts.size(); ++i) c.lefts[i] = ScaledLength(kCounterLefts[i], percent);
    c.digit = ScaledCell(kDigitWidth, kDigitHeight, percent);
    c.unit = ScaledPoint(c.unit, percent);
    return g;
}

}  // namespace imaging
