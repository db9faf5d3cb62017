#include "imaging/WindowBuffers.h"

#include <algorithm>
#include <string>

#include "imaging/PixelOps.h"
#include "storage/Storage.h"

namespace imaging {

WindowBuffers::~WindowBuffers() = default;

bool WindowBuffers::CreateBuffersOfSize(int bufferWidth, int bufferHeight) {
    ReleaseBuffers();
    if (!compose_.Create(bufferWidth, bufferHeight, 24) || !clean_.Create(bufferWidth, bufferHeight, 24)) {
        ReleaseBuffers();
        return false;
    }
    bufferWidth_ = bufferWidth;
    bufferHeight_ = bufferHeight;
    return true;
}

void WindowBuffers::ReleaseBuffers() noexcept {
    compose_.Reset();
    clean_.Reset();
    bufferWidth_ = bufferHeight_ = 0;
}

bool WindowBuffers::TileBackground(const std::uint8_t* pixels, std::size_t length, int x, int y) {
    if (!HasBuffers() || !pixels || x <= 0 || y <= 0) return false;
    if (static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(y) * 3 > length) return false;
    const PixelView& view = clean_.View();
    for (int i = 0; i < bufferHeight_; ++i) {
        const std::uint8_t* sourceRow = pixels + static_cast<std::size_t>(i % y) * static_cast<std::size_t>(x) * 3;
        std::uint8_t* d = view.WindowRow(i);
        for (int k = 0; k < bufferWidth_; ++k, d += 3) {
            const std::uint8_t* s = sourceRow + static_cast<std::size_t>(k % x) * 3;
            d[0] = s[2];  // blue
            d[1] = s[1];  // green
            d[2] = s[0];  // red
        }
    }
    return true;
}

bool WindowBuffers::LoadBackground(storage::Storage& storage, std::string_view name) {
    if (name.empty() || !HasBuffers()) return false;
    const std::string picturePath = "Backgrounds." + std::string(name);
    const std::string sizePath = "Backgrounds.Sizes." + std::string(name);
    storage::HeapBlock pixels;
    std::uint32_t length = 0;
    std::int32_t x = 0, y = 0;
    if (!storage.GetBinary(picturePath, pixels, length, "")) return false;
    if (!storage.GetInteger(sizePath + "x", x, "")) return false;
    if (!storage.GetInteger(sizePath + "y", y, "")) return false;
    return TileBackground(pixels.get(), length, x, y);
}

void WindowBuffers::SetOverlay(int controlId, const Rect& rect, const std::uint8_t* pixels, int rowWidth) {
    for (Overlay& overlay : overlays_) {
        if (overlay.controlId == controlId) {
            overlay.rect = rect;
            overlay.pixels = pixels;
            overlay.rowWidth = rowWidth;
            return;
        }
    }
    overlays_.push_back(Overlay{rect, pixels, controlId, rowWidth});
}

void WindowBuffers::RemoveOverlay(int controlId) {
    std::erase_if(overlays_, [controlId](const Overlay& o) { return o.controlId == controlId; });
}

const Overlay* WindowBuffers::FindOverlay(int controlId) const {
    for (const Overlay& overlay : overlays_)
        if (overlay.controlId == controlId) return &overlay;
    return nullptr;
}

bool WindowBuffers::ComposeArea(const Rect& area, VisibilityTest isVisible) {
    if (!HasBuffers()) return false;
    const Rect clipped = Intersect(area, BufferRect());
    if (clipped.IsEmpty()) return true;
    const PixelView& compose = compose_.View();
    CopyRect(compose, clipped.left, clipped.top, clean_.View(), clipped.left, clipped.top, clipped.Width(),
             clipped.Height());
    for (const Overlay& overlay : overlays_) {
        // An overlay whose picture is narrower than its rectangle cannot be read safely.
        if (!overlay.pixels || overlay.rowWidth < overlay.rect.Width()) continue;
        if (Intersect(overlay.rect, clipped).IsEmpty()) continue;
        if (isVisible && !isVisible(overlay.controlId)) continue;
        const Rect e = Intersect(overlay.rect, BufferRect());
        BlendOverlay(compose, overlay.pixels, overlay.rowWidth, e.left, e.top, e.left - overlay.rect.left,
                     e.top - overlay.rect.top, e.Width(), e.Height());
    }
    return true;
}

}  // namespace imaging
