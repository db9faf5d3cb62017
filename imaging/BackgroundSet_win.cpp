#include "imaging/BackgroundSet_win.h"

#include <algorithm>
#include <optional>

#include "framework/Handles_win.h"
#include "imaging/PixelOps.h"

namespace imaging {

BackgroundSet::~BackgroundSet() = default;

bool BackgroundSet::CreateBuffers(bool screenSize) {
    ReleaseBuffers();
    int width = 0, height = 0;
    if (screenSize) {
        framework::WindowDc screen(nullptr);
        if (!screen) return false;
        width = BufferWidthFor(GetDeviceCaps(screen, HORZRES));
        height = GetDeviceCaps(screen, VERTRES);
    } else {
        RECT client{};
        if (!owner_ || !GetClientRect(owner_, &client)) return false;
        width = BufferWidthFor(client.right - client.left);
        height = client.bottom - client.top;
    }
    return CreateBuffersOfSize(width, height);
}

bool BackgroundSet::IsControlVisible(int controlId) const noexcept {
    const HWND control = owner_ ? GetDlgItem(owner_, controlId) : nullptr;
    return control && IsWindowVisible(control);
}

bool BackgroundSet::PaintBackground(HDC dc, int width, int height, bool withExtras) {
    if (!HasBuffers()) return false;
    // Callers must stay inside the buffers; a larger request is cut to them.
    const Rect area{0, 0, std::clamp(width, 0, BufferWidth()), std::clamp(height, 0, BufferHeight())};
    GdiFlush();  // GDI must be done with the section before its bytes are written
    ComposeArea(area, [this](int id) { return IsControlVisible(id); });
    if (withExtras) PaintExtras();
    return ShowComposed(dc, area);
}

void BackgroundSet::RepaintOverlay(int controlId) {
    if (const Overlay* overlay = FindOverlay(controlId)) RepaintArea(overlay->rect, false);
}

void BackgroundSet::RepaintArea(const Rect& wanted, bool withExtras) {
    if (!owner_ || !HasBuffers()) return;
    const Rect area = Intersect(wanted, BufferRect());
    if (area.IsEmpty()) return;
    GdiFlush();
    ComposeArea(area, [this](int id) { return IsControlVisible(id); });
    if (withExtras) PaintExtras();
    ShowComposed(nullptr, area);
}

bool BackgroundSet::ShowComposed(HDC dc, const Rect& wanted) {
    std::optional<framework::WindowDc> ownerDc;
    if (!dc && owner_) {
        ownerDc.emplace(owner_);
        dc = *ownerDc;
    }
    if (!dc || !HasBuffers()) return false;
    const Rect area = Intersect(wanted, BufferRect());
    framework::MemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return false;
    framework::ScopedSelect select(memory, static_cast<HBITMAP>(ComposeHandle()));
    BitBlt(dc, area.left, area.top, area.Width(), area.Height(), memory, area.left, area.top, SRCCOPY);
    return true;
}

bool BackgroundSet::BlendOverlay(std::uint8_t* buffer, int bufferWidth, int bufferHeight, const std::uint8_t* pixels,
                                 int rowWidth, int left, int top, int srcX, int srcY, int width, int height) {
    const PixelView view{buffer, bufferWidth, bufferHeight, bufferWidth * 3, 3};
    return imaging::BlendOverlay(view, pixels, rowWidth, left, top, srcX, srcY, width, height);
}

void BackgroundSet::PaintExtras() {}

}  // namespace imaging
