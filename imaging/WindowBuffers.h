#pragma once
// The off-screen picture of a skinned window: two window-sized 24-bit buffers and
// the list of button overlays.
//
//   clean buffer    the background picture only, tiled from the top-left corner
//   compose buffer  where the clean background, the visible overlays and any
//                   further items (ticker, counter) are put together before one
//                   blit shows the result
//
// Both are bottom-up DIB sections (PixelSection); every position here is in window
// coordinates (y from the top). BackgroundSet (BackgroundSet_win.h) adds the
// window and the device contexts; the host tools use this class directly.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/FunctionRef.h"
#include "imaging/PixelSection.h"
#include "imaging/PixelView.h"
#include "imaging/ScaledArt.h"
#include "imaging/ScaledArtLoad.h"

namespace storage {
class Storage;
}

namespace imaging {

// A button's current picture placed on the window. The pixels (red, green, blue,
// T; rows from the top, rowWidth pixels per row, rect.Height() rows) belong to the
// button, which must outlive every paint that uses them.
struct Overlay {
    Rect rect;
    const std::uint8_t* pixels = nullptr;
    int controlId = 0;
    int rowWidth = 0;
};

class WindowBuffers {
public:
    // Buffer width for a client area: the width rounded down to a multiple of 4,
    // plus 4 (450 gives 452, 448 also 452), so rows never need padding.
    static int BufferWidthFor(int clientWidth) noexcept { return (clientWidth / 4) * 4 + 4; }

    WindowBuffers() noexcept = default;
    virtual ~WindowBuffers();
    WindowBuffers(const WindowBuffers&) = delete;
    WindowBuffers& operator=(const WindowBuffers&) = delete;

    // Makes both buffers of exactly this size, replacing any previous ones; the new
    // pixels are not tiled. False (and no buffers) when either cannot be made.
    bool CreateBuffersOfSize(int bufferWidth, int bufferHeight);
    void ReleaseBuffers() noexcept;
    bool HasBuffers() const noexcept { return compose_.Exists() && clean_.Exists(); }
    int BufferWidth() const noexcept { return bufferWidth_; }
    int BufferHeight() const noexcept { return bufferHeight_; }
    const PixelView& CleanView() const noexcept { return clean_.View(); }
    const PixelView& ComposeView() const noexcept { return compose_.View(); }
    // The sections' HBITMAPs on Windows (null elsewhere), for selecting into a DC.
    void* CleanHandle() const noexcept { return clean_.NativeHandle(); }
    void* ComposeHandle() const noexcept { return compose_.NativeHandle(); }

    // Fills the clean buffer with the x x y picture (red, green, blue per pixel, top
    // row first, no row padding; `length` bytes available), repeated in both
    // directions from the top-left corner and cut at the right and bottom.
    // False, and the buffer untouched, without buffers, for sizes below 1 or for
    // data shorter than x * y * 3 bytes.
    bool TileBackground(const std::uint8_t* pixels, std::size_t length, int x, int y);
    // Tiles background `name` from the container: Binary "Backgrounds.<name>" and
    // Integers "Backgrounds.Sizes.<name>x" and "...y" (no separator before x and y).
    // False when there are no buffers, a node cannot be read or TileBackground refuses.
    // Above 100 % the tile is ScaledLength of the 100 % sizes, made from the scaled
    // background ChooseArt names (ScaledArtLoad.h); one whose sizes are not those
    // of its scale is passed over.
    bool LoadBackground(storage::Storage& storage, std::string_view name, int percent = kBaseScale,
                        ArtWarnings* warnings = nullptr);

    // Adds the overlay of a control, or updates its entry in place (keeping its
    // place in the drawing order). Drawing order is the order of first registration.
    void SetOverlay(int controlId, const Rect& rect, const std::uint8_t* pixels, int rowWidth);
    // Forgets one control's overlay (a button that goes away calls this).
    void RemoveOverlay(int controlId);
    void ClearOverlays() noexcept { overlays_.clear(); }
    const std::vector<Overlay>& Overlays() const noexcept { return overlays_; }
    const Overlay* FindOverlay(int controlId) const;

    // Puts the clean background over `area` of the compose buffer, then blends, in
    // list order, every overlay for which isVisible(controlId) holds and whose
    // rectangle meets the area, each over its whole rectangle clipped to the
    // buffers (taking its pixels from the matching offset of its picture). The
    // area is clipped to the buffers. False without buffers.
    using VisibilityTest = framework::FunctionRef<bool(int controlId)>;
    bool ComposeArea(const Rect& area, VisibilityTest isVisible);

    Rect BufferRect() const noexcept { return Rect{0, 0, bufferWidth_, bufferHeight_}; }

private:
    std::vector<Overlay> overlays_;
    int bufferWidth_ = 0;
    int bufferHeight_ = 0;
    PixelSection clean_;
    PixelSection compose_;
};

}  // namespace imaging
