#pragma once
// Resampling of the skin's pictures to another size, cell by cell: a picture
// made of cells side by side (the glyphs of "Font", the digits, a button strip's
// states, or one cell for a background) becomes one of as many cells of another
// size, each made from its own source cell only, so no cell bleeds into the next.
//
// Each target pixel is the average of the source area it covers, every source
// pixel weighted by the exact part of it that lies under the target pixel, each
// channel on its own, rounded to nearest. In a picture with a transparency
// channel the colours are weighted by opacity as well (a clear pixel's colour
// hardly counts), which is what blending the source over a plate and averaging
// would show. This is area averaging when the picture shrinks; when it grows by
// a whole factor it is pixel for pixel, and growing by a whole factor and then
// shrinking gives the same as averaging directly (both average the same blocks
// of the source).
//
// The channels' order does not matter, nor the rows' (top-down strips and
// bottom-up DIB rows alike, each described by a PixelView of its own stride), as
// long as source and target share them.
#include "imaging/PixelView.h"

namespace imaging {

// Fills `cells` cells of target (cells of targetCellWidth x target.height from
// column 0) from as many cells of source (sourceCellWidth x source.height).
// transparencyChannel: which byte of a pixel is T (3 in a button strip's red,
// green, blue, T; 0 in a 32-bit DIB's T, blue, green, red), or -1 for none.
// Columns right of the last cell are left alone. False, and nothing written,
// when the cells do not fit either picture or the channels differ.
bool ResampleCells(const PixelView& source, int sourceCellWidth, const PixelView& target, int targetCellWidth,
                   int cells, int transparencyChannel = -1);

}  // namespace imaging
