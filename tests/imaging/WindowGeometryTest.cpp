// The window's geometry at a scale: today's constants at 100 %, edges mapped one
// by one elsewhere, so touching pieces keep touching.
#include <gtest/gtest.h>

#include "imaging/WindowGeometry.h"

namespace imaging {
namespace {

TEST(WindowGeometry, BaseScaleIsTodaysWindow) {
    const WindowGeometry g = WindowGeometryAt(kBaseScale);
    EXPECT_EQ(g.clientWidth, 450);
    EXPECT_EQ(g.clientHeight, 207);
    EXPECT_EQ(g.outlinePieces, kOutlinePieces);
    EXPECT_EQ(g.outlineTip, kOutlineTip);
    EXPECT_EQ(g.pathField, (Rect{38, 69, 234, 89}));
    EXPECT_EQ(g.buttons[1].x, 241);
    EXPECT_EQ(g.scopeReadout.frame, ReadoutRect(kScopeReadout));
    EXPECT_EQ(g.ticker.width, kTickerWindowWidth);
    EXPECT_EQ(g.ticker.step, 2);
    EXPECT_EQ(g.counter.lefts, kCounterLefts);
}

TEST(WindowGeometry, EdgesMapOneByOne) {
    const WindowGeometry g = WindowGeometryAt(150);
    EXPECT_EQ(g.clientWidth, 675);
    EXPECT_EQ(g.clientHeight, 311);
    EXPECT_EQ(g.pathField, (Rect{57, 104, 351, 134}));  // 38.5 and 133.5 round up
    EXPECT_EQ(g.outlinePieces[1].right, g.outlinePieces[2].left);
    EXPECT_EQ(g.outlinePieces[2].right, g.outlinePieces[3].left);
    EXPECT_EQ(g.outlineTip[2], (Point{665, 107}));
    EXPECT_EQ(g.ticker.left + g.ticker.width, 452);  // 301 at 100 %
    EXPECT_EQ(g.ticker.glyph, (CellSize{18, 20}));
    EXPECT_EQ(g.counter.digit, (CellSize{20, 29}));
    EXPECT_EQ(g.scopeReadout.frame, (Rect{434, 140, 581, 162}));
    EXPECT_EQ(g.scopeReadout.left + g.scopeReadout.cells * g.scopeReadout.glyph.width, 579);
    const WindowGeometry big = WindowGeometryAt(200);
    EXPECT_EQ(big.ticker.step, 4);
    EXPECT_EQ(big.scopeToggle.x, 632);
}

}  // namespace
}  // namespace imaging
