#pragma once
// The pixel arithmetic of the skin, as pure functions over plain memory.
//
// Transparency byte T: 0 is opaque, 255 lets the destination through. Every blend
// in the system is  out = s - (((s - d) * T) >> 8)  per colour channel, with s - d
// signed and the product shifted arithmetically (rounding toward minus infinity,
// a division by 256, not 255). The result lies between s and d.
//
// Pixel layouts:
//   24-bit picture/buffer  blue, green, red         bottom row first
//   32-bit picture         T, blue, green, red      bottom row first
//   overlay (button cell)  red, green, blue, T      top row first
#include <cstddef>
#include <cstdint>

#include "imaging/PixelView.h"

namespace imaging {

constexpr std::uint8_t Blend(int s, int d, int t) {
    return static_cast<std::uint8_t>(s - (((s - d) * t) >> 8));
}

// Every pixel becomes color (a 32-bit pixel also gets transparency as its T
// byte); row padding is never written.
void FillSolid(const PixelView& view, Color color, std::uint8_t transparency);

// A checkerboard of color1 and color2. Memory row 0 starts with color2; along a
// row the colour flips each time a run counter reaches cellSize, and the counter
// counts the pixel before the flip, so the first run of every row is cellSize - 1
// pixels long and later runs cellSize. Row bands are cellSize rows high. A
// cellSize of 1 or less flips on every pixel and every row. 32-bit pixels get T 0.
void FillChecker(const PixelView& view, Color color1, Color color2, int cellSize);

// Writes the width x height rectangle of src at memory position (sx, sy) into dst
// at (dx, dy), by the pair of layouts:
//   32 onto 32: T_d = (T_d * T_s) >> 8, colours blended with T_s;
//   24 onto 32: colours copied, T_d kept;
//   32 onto 24: colours blended with T_s;
//   24 onto 24: copied.
// No shortcut for T = 0 or 255: with T 255 a channel where s > d comes out as d + 1.
// Precondition: the rectangle lies inside both views (DibImage::Compose checks).
void ComposeRows(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int width,
                 int height);

// Blends width x height overlay pixels (red, green, blue, T; rows from the top,
// rowWidth pixels per row), starting at overlay pixel (srcX, srcY), into the
// 24-bit buffer at window position (left, top) (rows from the top). T 0 copies the
// colour, T 255 leaves the buffer alone, anything else blends.
// The overlay must hold the rows and columns read; the buffer rectangle is
// checked and a rectangle outside the buffer is refused (false, nothing written).
bool BlendOverlay(const PixelView& buffer, const std::uint8_t* pixels, int rowWidth, int left, int top, int srcX,
                  int srcY, int width, int height);

// Copies the width x height rectangle of src at window position (sx, sy) into the
// 24-bit dst at window position (dx, dy), clipped to both pictures, as BitBlt with
// SRCCOPY does. A 32-bit source gives its first three bytes of each pixel, which
// is how GDI reads a 32-bit BI_RGB section.
void CopyRect(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int width, int height);

}  // namespace imaging
