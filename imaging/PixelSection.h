#pragma once
// The pixel memory of a picture or window buffer: a bottom-up DIB section on
// Windows (so GDI can select and BitBlt it), zeroed heap memory elsewhere (the
// host tools and tests). Either way the bytes are plain memory reached through
// View(), with rows padded to a multiple of 4 bytes.
#include <cstdint>

#include "imaging/PixelView.h"

namespace imaging {

class PixelSection {
public:
    PixelSection() noexcept = default;
    ~PixelSection();
    PixelSection(const PixelSection&) = delete;
    PixelSection& operator=(const PixelSection&) = delete;
    PixelSection(PixelSection&& other) noexcept;
    PixelSection& operator=(PixelSection&& other) noexcept;

    // Replaces any previous memory with a new width x height section of 24 or 32
    // bits per pixel. False (and no section) for sizes of zero or less, other bit
    // depths, or when the platform refuses; the old section is gone either way.
    bool Create(int width, int height, int bitsPerPixel);
    void Reset() noexcept;

    bool Exists() const noexcept { return view_.bits != nullptr; }
    const PixelView& View() const noexcept { return view_; }
    // The HBITMAP of the DIB section on Windows; null elsewhere.
    void* NativeHandle() const noexcept { return handle_; }

private:
    PixelView view_{};
    void* handle_ = nullptr;
};

}  // namespace imaging
