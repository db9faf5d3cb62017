// The GDI edge of DibImage: handing out the section and blitting it.
#include <windows.h>

#include "framework/Handles_win.h"
#include "imaging/DibImage.h"

namespace imaging {

namespace {
bool BlitSection(HDC dc, int x, int y, int width, int height, HBITMAP section, int srcX, int srcY) {
    framework::MemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return false;
    framework::ScopedSelect select(memory, section);
    return BitBlt(dc, x, y, width, height, memory, srcX, srcY, SRCCOPY) != FALSE;
}
}  // namespace

HBITMAP DibImage::GetBitmap() const noexcept { return static_cast<HBITMAP>(section_.NativeHandle()); }

bool DibImage::Draw(HDC dc, int x, int y, int srcX, int srcY, int width, int height) {
    if (!IsValid()) return false;
    const DrawRect rect = ClampDrawRect(srcX, srcY, width, height);
    // GDI would mirror or misread a negative size; an empty rectangle draws nothing.
    if (rect.width <= 0 || rect.height <= 0) return !hasAlpha_;
    if (!hasAlpha_) return BlitSection(dc, x, y, rect.width, rect.height, GetBitmap(), rect.srcX, rect.srcY);
    DibImage temp;
    if (!PrepareAlphaDraw(temp, rect)) return false;
    return BlitSection(dc, x, y, rect.width, rect.height, temp.GetBitmap(), 0, 0);
}

}  // namespace imaging
