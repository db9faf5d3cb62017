// Windows side of PixelSection: a bottom-up DIB section that GDI can select.
#include <windows.h>


#include "framework/Handles_win.h"
#include "imaging/PixelSection.h"

namespace imaging {

bool PixelSection::Create(int width, int height, int bitsPerPixel) {
    Reset();
    if (width <= 0 || height <= 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return false;
    const int stride = DibStride(width, bitsPerPixel);
    if (stride <= 0) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;

    // With DIB_RGB_COLORS and no colour table the context only lends its device.
    framework::WindowDc screen(nullptr);
    void* bits = nullptr;
    framework::BitmapHandle bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    handle_ = bitmap.Detach();
    view_ = PixelView{static_cast<std::uint8_t*>(bits), width, height, stride, bitsPerPixel / 8};
    return true;
}

void PixelSection::Reset() noexcept {
    if (handle_) DeleteObject(static_cast<HBITMAP>(handle_));
    handle_ = nullptr;
    view_ = PixelView{};
}

}  // namespace imaging
