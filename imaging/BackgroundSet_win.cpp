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
    std::optional<framework::WindowDc> ownerDc;
    if (!dc) {
        if (!owner_) return false;
        ownerDc.emplace(owner_);
        dc = *ownerDc;
        if (!dc) return false;
    }
    if (!HasBuffers()) return false;
    // Callers must stay inside the buffers; a larger request is cut to them.
    width = std::clamp(width, 0, BufferWidth());
    height = std::clamp(height, 0, BufferHeight());

    framework::MemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return false;
    framework::ScopedSelect select(memory, static_cast<HBITMAP>(ComposeHandle()));
    GdiFlush();  // GDI must be done with the section before its bytes are written
    ComposeArea(Rect{0, 0, width, height}, [this](int id) { return IsControlVisible(id); });
    if (withExtras) PaintExtras(memory, ComposeView().bits, width, height, BufferWidth(), BufferHeight());
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    return true;
}

void BackgroundSet::RepaintOverlay(int controlId) {
    if (const Overlay* overlay = FindOverlay(controlId)) RepaintArea(overlay->rect, false);
}

void BackgroundSet::RepaintArea(const Rect& wanted, bool withExtras) {
    if (!owner_) return;
    framework::WindowDc dc(owner_);
    if (!dc || !HasBuffers()) return;
    const Rect area = Intersect(wanted, BufferRect());
    if (area.IsEmpty()) return;
    framework::MemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return;
    framework::ScopedSelect select(memory, static_cast<HBITMAP>(ComposeHandle()));
    GdiFlush();
    ComposeArea(area, [this](int id) { return IsControlVisible(id); });
    if (withExtras) {
        PaintExtras(memory, ComposeView().bits, BufferWidth(), BufferHeight(), BufferWidth(), BufferHeight());
    }
    BitBlt(dc, area.left, area.top, area.Width(), area.Height(), memory, area.left, area.top, SRCCOPY);
}

bool BackgroundSet::BlendOverlay(std::uint8_t* buffer, int bufferWidth, int bufferHeight, const std::uint8_t* pixels,
                                 int rowWidth, int left, int top, int srcX, int srcY, int width, int height) {
    const PixelView view{buffer, bufferWidth, bufferHeight, bufferWidth * 3, 3};
    return imaging::BlendOverlay(view, pixels, rowWidth, left, top, srcX, srcY, width, height);
}

void BackgroundSet::PaintExtras(HDC, std::uint8_t*, int, int, int, int) {}

}  // namespace imaging
