#pragma once
// DibImage: one picture in a bottom-up DIB section, 24-bit (blue, green, red) or
// 32-bit with a transparency byte (T, blue, green, red; T 0 opaque, 255 clear).
// It loads from a stored image record (ImageRecord.h), is read and written as
// plain memory, composes other pictures into itself with the system's own blend,
// and draws rectangles of itself on a device context (Windows) or, in software,
// into a 24-bit pixel view (DrawToView, the same rules without GDI).
//
// Coordinates are columns and memory rows (row 0 = bottom row), except in Draw
// and DrawToView for 24-bit pictures, where y counts from the top as GDI does.
//
// Every operation keeps the last status (code and text) for callers that want a
// reason: 0 "Ok", -1 "Error allocating memory...", -2 no picture (the text stays
// as it was), -3 "Incorrect function call...".
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "imaging/PixelSection.h"
#include "imaging/PixelView.h"

#ifdef _WIN32
// The GDI handle types as <windows.h> declares them (the project builds with STRICT).
struct HDC__;
struct HBITMAP__;
#endif

namespace storage {
class Storage;
}

namespace imaging {

enum ImageStatusCode : int {
    kStatusOk = 0,
    kStatusNoMemory = -1,
    kStatusNoPicture = -2,
    kStatusBadCall = -3,
};
inline constexpr const char* kStatusTextOk = "Ok";
inline constexpr const char* kStatusTextNoMemory = "Error allocating memory...";
inline constexpr const char* kStatusTextBadCall = "Incorrect function call...";

struct ImageStatus {
    const char* statusText = kStatusTextOk;
    int statusCode = kStatusOk;
};

// What a 32-bit picture is composed over when it is drawn.
enum class BackdropMode : int { SolidColor = 0, Checkerboard = 1, Image = 2 };

class DibImage {
public:
    DibImage() noexcept = default;
    virtual ~DibImage();
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

    // A new section (pixels zero), replacing any previous one. -1 when refused.
    bool Create(int width, int height, bool hasAlpha);
    void Release() noexcept;

    // True when the picture exists (status 0); else status -2.
    bool IsValid();
    int GetWidth();   // 0 without a picture
    int GetHeight();  // 0 without a picture
    bool HasAlpha() const noexcept { return hasAlpha_; }
    int GetStride() const noexcept { return stride_; }
    int GetRowPadding() const noexcept { return rowPadding_; }
    // The whole picture as a view (empty without a picture).
    const PixelView& View() const noexcept { return section_.View(); }

    // Address of pixel (x, memory row y); null (-3) outside the picture or (-2)
    // without one.
    std::uint8_t* GetPixelAddress(int x, int y);

    // Builds the picture from a stored image record of `length` bytes. A wrong
    // tag, a width or height below 1 or a record too short for its rows is refused
    // with -3 and leaves the previous picture as it was.
    bool LoadRecord(const std::uint8_t* record, std::size_t length);
    // Reads the Binary node at path and hands it to LoadRecord; -3 when the read fails.
    bool Load(storage::Storage& storage, std::string_view path, std::string_view password);

    // Pixel fills and composing; see PixelOps.h for the arithmetic.
    bool Fill(Color color, std::uint8_t transparency);
    bool FillChecker(Color color1, Color color2, int cellSize);
    // Writes the width x height rectangle of source at (sx, sy) into this picture
    // at (dx, dy). Refused (-3) when width or height exceeds the source's or is
    // negative, when sx or sy lies beyond the source; otherwise the rectangle is
    // clipped to both pictures, and a start outside either picture is refused.
    bool Compose(DibImage& source, int dx, int dy, int sx, int sy, int width, int height);

    // Backdrop for drawing a 32-bit picture; the default is solid black.
    void SetBackdropColor(Color color) noexcept;
    void SetBackdropChecker(Color color1, Color color2, int cellSize) noexcept;
    // Not owned; must outlive every draw that uses it.
    void SetBackdropImage(DibImage* image) noexcept;

    // Draws the rectangle (srcX, srcY, width, height) of the picture at (x, y) of a
    // 24-bit view (window coordinates, y from the top), clipped to both, by the
    // rules of Draw. The software twin of Draw for the host tools and tests.
    bool DrawToView(const PixelView& target, int x, int y, int srcX, int srcY, int width, int height);

#ifdef _WIN32
    // The section, for callers that select it into a memory context themselves.
    HBITMAP__* GetBitmap() const noexcept;
    // Puts the rectangle (srcX, srcY, width, height) of the picture at (x, y) on dc.
    bool Draw(HDC__* dc, int x, int y, int srcX, int srcY, int width, int height);
#endif

    const ImageStatus& Status() const noexcept { return status_; }

private:
    struct DrawRect {
        int srcX, srcY, width, height;
    };
    void SetStatus(int code, const char* text) noexcept;
    // Steps shared by Draw and DrawToView: the size check (which only records -3)
    // and the clamping of a negative start and of an over-wide or over-high size.
    DrawRect ClampDrawRect(int srcX, int srcY, int width, int height);
    // A 32-bit picture is drawn through a temporary 24-bit one: the backdrop, then
    // this picture's rectangle composed over it.
    bool PrepareAlphaDraw(DibImage& temp, const DrawRect& rect);

    int stride_ = 0;
    int rowPadding_ = 0;
    ImageStatus status_{};
    PixelSection section_;
    bool hasAlpha_ = false;
    int height_ = 0;
    int width_ = 0;
    BackdropMode backdropMode_ = BackdropMode::SolidColor;
    Color backdropColor_ = 0;
    Color checkerColor1_ = 0;
    Color checkerColor2_ = 0;
    int checkerSize_ = 8;
    DibImage* backdropImage_ = nullptr;
};

}  // namespace imaging
