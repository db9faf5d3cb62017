#pragma once
// A view of plain pixel memory, the common ground of every pixel routine in
// imaging/: a picture in a DIB section, a window buffer, a glyph strip or a
// test's own array. Rows are stored bottom-up (memory row 0 is the picture's
// bottom row), the memory order of a Windows DIB; stride counts the bytes of one
// memory row including its padding.
#include <cstddef>
#include <cstdint>

namespace imaging {

// A colour as Windows packs it (COLORREF, 0x00BBGGRR).
using Color = std::uint32_t;
constexpr Color MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Color{red} | (Color{green} << 8) | (Color{blue} << 16);
}
constexpr std::uint8_t RedOf(Color c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Color c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Color c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// Bytes per memory row of a DIB: every row padded to a multiple of 4 bytes.
// Negative for sizes whose row would not fit in an int.
constexpr int DibStride(int width, int bitsPerPixel) {
    const long long stride = ((static_cast<long long>(width) * bitsPerPixel + 31) / 32) * 4;
    return stride > 0x7FFFFFFFLL ? -1 : static_cast<int>(stride);
}

struct PixelView {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;         // bytes per memory row
    int bytesPerPixel = 3;  // 3: blue, green, red; 4: T, blue, green, red

    bool IsValid() const {
        return bits != nullptr && width > 0 && height > 0 && (bytesPerPixel == 3 || bytesPerPixel == 4) &&
               static_cast<long long>(stride) >= static_cast<long long>(width) * bytesPerPixel;
    }
    // Memory row r, counted from the bottom of the picture.
    std::uint8_t* MemoryRow(int r) const { return bits + static_cast<std::ptrdiff_t>(r) * stride; }
    // Window row y, counted from the top (what GDI calls y).
    std::uint8_t* WindowRow(int y) const { return MemoryRow(height - 1 - y); }
    std::uint8_t* At(int x, int memoryRow) const {
        return MemoryRow(memoryRow) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
    }
};

// A point in window coordinates.
struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// A rectangle in window coordinates; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

// The common part of a and b; an empty rectangle (all zero) when they do not meet,
// as IntersectRect gives it.
constexpr Rect Intersect(const Rect& a, const Rect& b) {
    Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
           a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.right <= r.left || r.bottom <= r.top) return Rect{};
    return r;
}

}  // namespace imaging
