#pragma once
// BackgroundSet: paints the skinned client area of a window from its two
// off-screen buffers (WindowBuffers): a full paint composes the clean background,
// every visible button overlay and the extras of a derived class, then shows the
// result with one BitBlt; a button's state change recomposes and shows only that
// button's rectangle.
//
// Use (the main window):
//   painter.SetOwner(hwnd);
//   painter.CreateBuffers(false);            // after the client area has its size
//   painter.LoadBackground(storage, "1");
//   ... buttons: MaskedButton::LoadSkin(painter, storage, kind) registers overlays
//   WM_ERASEBKGND: painter.PaintBackground(hdc, clientWidth, clientHeight, true); return TRUE;
//
// Overlays point into the buttons' memory: the buttons remove their overlays when
// they go, and this object must outlive them.
#include <windows.h>

#include <cstdint>

#include "imaging/WindowBuffers.h"

namespace imaging {

class BackgroundSet : public WindowBuffers {
public:
    BackgroundSet() noexcept = default;
    ~BackgroundSet() override;

    // The window whose client area the buffers cover; not owned.
    void SetOwner(HWND owner) noexcept { owner_ = owner; }
    HWND GetOwner() const noexcept { return owner_; }

    // Makes both buffers: screenSize false sizes them from the owner's client area,
    // (client width / 4) * 4 + 4 pixels wide (450 gives 452) and as high as the
    // client area; true from the screen, the width rounded the same way. The new
    // pixels are not tiled. False (and no buffers) without an owner or when GDI
    // refuses.
    bool CreateBuffers(bool screenSize);

    // Composes width x height pixels from the top-left corner (clamped to the
    // buffers) and blits them to dc, or to the owner's client area when dc is null.
    // withExtras adds PaintExtras. False without buffers or a device context.
    bool PaintBackground(HDC dc, int width, int height, bool withExtras);

    // Recomposes one overlay's rectangle and blits it to the owner's client area;
    // does nothing for a control without an overlay.
    void RepaintOverlay(int controlId);
    // Recomposes area (clipped to the buffers), withExtras with PaintExtras, and
    // blits only that area to the owner's client area.
    void RepaintArea(const Rect& area, bool withExtras);

    // The overlay blend into a 24-bit bottom-up buffer whose rows are exactly
    // bufferWidth x 3 bytes (bufferWidth a multiple of 4). See PixelOps.h.
    static bool BlendOverlay(std::uint8_t* buffer, int bufferWidth, int bufferHeight, const std::uint8_t* pixels,
                             int rowWidth, int left, int top, int srcX, int srcY, int width, int height);

protected:
    // Draws further items into the composed picture (ComposeView), after the
    // overlays and before the blit. Does nothing here.
    virtual void PaintExtras();

    // The owner's child control with this id exists and is visible.
    bool IsControlVisible(int controlId) const noexcept;

    // Blits area of the composed picture (clipped to the buffers) to the same
    // place on dc, or on the owner's client area when dc is null. False without
    // buffers or a device context.
    bool ShowComposed(HDC dc, const Rect& area);

private:
    HWND owner_ = nullptr;
};

}  // namespace imaging
