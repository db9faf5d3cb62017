#include "imaging/PixelOps.h"

#include <algorithm>
#include <cstring>

namespace imaging {

void FillSolid(const PixelView& view, Color color, std::uint8_t transparency) {
    if (!view.IsValid()) return;
    const std::uint8_t blue = BlueOf(color), green = GreenOf(color), red = RedOf(color);
    for (int r = 0; r < view.height; ++r) {
        std::uint8_t* p = view.MemoryRow(r);
        for (int x = 0; x < view.width; ++x) {
            if (view.bytesPerPixel == 4) *p++ = transparency;
            *p++ = blue;
            *p++ = green;
            *p++ = red;
        }
    }
}

void FillChecker(const PixelView& view, Color color1, Color color2, int cellSize) {
    if (!view.IsValid()) return;
    bool rowFlag = false;
    int rowCounter = 0;
    for (int r = 0; r < view.height; ++r) {
        bool flag = rowFlag;
        int counter = 0;
        std::uint8_t* p = view.MemoryRow(r);
        for (int x = 0; x < view.width; ++x) {
            if (++counter >= cellSize) {
                flag = !flag;
                counter = 0;
            }
            const Color c = flag ? color1 : color2;
            if (view.bytesPerPixel == 4) *p++ = 0;
            *p++ = BlueOf(c);
            *p++ = GreenOf(c);
            *p++ = RedOf(c);
        }
        if (++rowCounter >= cellSize) {
            rowFlag = !rowFlag;
            rowCounter = 0;
        }
    }
}

void ComposeRows(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int width,
                 int height) {
    for (int i = 0; i < height; ++i) {
        const std::uint8_t* s = src.At(sx, sy + i);
        std::uint8_t* d = dst.At(dx, dy + i);
        if (src.bytesPerPixel == 4 && dst.bytesPerPixel == 4) {
            for (int x = 0; x < width; ++x, s += 4, d += 4) {
                const int t = s[0];
                d[0] = static_cast<std::uint8_t>((d[0] * t) >> 8);
                d[1] = Blend(s[1], d[1], t);
                d[2] = Blend(s[2], d[2], t);
                d[3] = Blend(s[3], d[3], t);
            }
        } else if (src.bytesPerPixel == 3 && dst.bytesPerPixel == 4) {
            for (int x = 0; x < width; ++x, s += 3, d += 4) {
                d[1] = s[0];
                d[2] = s[1];
                d[3] = s[2];
            }
        } else if (src.bytesPerPixel == 4) {
            for (int x = 0; x < width; ++x, s += 4, d += 3) {
                const int t = s[0];
                d[0] = Blend(s[1], d[0], t);
                d[1] = Blend(s[2], d[1], t);
                d[2] = Blend(s[3], d[2], t);
            }
        } else if (width > 0) {
            std::memmove(d, s, static_cast<std::size_t>(width) * 3);  // a picture may compose itself
        }
    }
}

bool BlendOverlay(const PixelView& buffer, const std::uint8_t* pixels, int rowWidth, int left, int top, int srcX,
                  int srcY, int width, int height) {
    if (!buffer.IsValid() || buffer.bytesPerPixel != 3 || !pixels || width < 0 || height < 0 || left < 0 ||
        top < 0 || srcX < 0 || srcY < 0 || srcX > rowWidth - width || left > buffer.width - width ||
        top > buffer.height - height)
        return false;
    for (int i = 0; i < height; ++i) {
        std::uint8_t* d = buffer.WindowRow(top + i) + static_cast<std::ptrdiff_t>(left) * 3;
        const std::uint8_t* s =
            pixels + (static_cast<std::ptrdiff_t>(srcY + i) * rowWidth + srcX) * 4;
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            const int t = s[3];
            if (t == 0) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            } else if (t != 255) {
                d[0] = Blend(s[2], d[0], t);
                d[1] = Blend(s[1], d[1], t);
                d[2] = Blend(s[0], d[2], t);
            }
        }
    }
    return true;
}

void CopyRect(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int width, int height) {
    if (!dst.IsValid() || !src.IsValid() || dst.bytesPerPixel != 3) return;
    // Clip against the four edges in 64 bits, moving both origins together.
    long long x0 = dx, y0 = dy, u0 = sx, v0 = sy, w = width, h = height;
    if (const long long shift = std::max(-x0, -u0); shift > 0) x0 += shift, u0 += shift, w -= shift;
    if (const long long shift = std::max(-y0, -v0); shift > 0) y0 += shift, v0 += shift, h -= shift;
    w = std::min({w, dst.width - x0, src.width - u0});
    h = std::min({h, dst.height - y0, src.height - v0});
    if (w <= 0 || h <= 0) return;
    dx = static_cast<int>(x0), dy = static_cast<int>(y0), sx = static_cast<int>(u0), sy = static_cast<int>(v0);
    width = static_cast<int>(w), height = static_cast<int>(h);
    for (int i = 0; i < height; ++i) {
        std::uint8_t* d = dst.WindowRow(dy + i) + static_cast<std::ptrdiff_t>(dx) * 3;
        const std::uint8_t* s = src.WindowRow(sy + i) + static_cast<std::ptrdiff_t>(sx) * src.bytesPerPixel;
        if (src.bytesPerPixel == 3) {
            std::memcpy(d, s, static_cast<std::size_t>(width) * 3);
        } else {
            for (int x = 0; x < width; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }
}

}  // namespace imaging
