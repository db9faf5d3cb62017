#include "imaging/WindowBuffers.h"

#include <algorithm>
#include <string>

#include "imaging/CellResample.h"
#include "imaging/PixelOps.h"
#include "imaging/ScaledArt.h"
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

namespace {

// Background `name` as stored at `scale`: its pixels and its sizes.
struct StoredBackground {
    storage::HeapBlock pixels;
    std::uint32_t length = 0;
    std::int32_t x = 0, y = 0;

    bool Read(storage::Storage& storage, int scale, std::string_view name) {
        const std::string sizePath = ScaledArtPath(scale, "Backgrounds.Sizes." + std::string(name));
        return storage.GetBinary(ScaledArtPath(scale, "Backgrounds." + std::string(name)), pixels, length, "") &&
               storage.GetInteger(sizePath + "x", x, "") && storage.GetInteger(sizePath + "y", y, "");
    }
    // The pixels as rows of red, green, blue, top row first; empty when too short.
    PixelView View() const {
        if (x <= 0 || y <= 0 || static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(y) * 3 > length)
            return PixelView{};
        return PixelView{pixels.get(), x, y, x * 3, 3};
    }
};

}  // namespace

bool WindowBuffers::LoadBackground(storage::Storage& storage, std::string_view name, int percent,
                                   ArtWarnings* warnings) {
    if (name.empty() || !HasBuffers()) return false;
    if (percent == kBaseScale) {
        StoredBackground stored;
        return stored.Read(storage, kBaseScale, name) &&
               TileBackground(stored.pixels.get(), stored.length, stored.x, stored.y);
    }
    // The 100 % sizes say what every scale's picture measures.
    const std::string sizePath = "Backgrounds.Sizes." + std::string(name);
    std::int32_t x = 0, y = 0;
    if (!storage.GetInteger(sizePath + "x", x, "") || !storage.GetInteger(sizePath + "y", y, "")) return false;
    if (!ScaledSizeFits(x, y, 3, percent)) return false;
    const int width = ScaledLength(x, percent), height = ScaledLength(y, percent);
    return MakeArtAt(
        storage, "Backgrounds." + std::string(name), percent,
        [&](int source) {
            StoredBackground stored;
            if (!stored.Read(storage, source, name) || stored.x != ScaledLength(x, source) ||
                stored.y != ScaledLength(y, source) || !stored.View().IsValid())
                return false;
            // Art of this scale is tiled as it is; other art is resampled first.
            if (source == percent) return TileBackground(stored.pixels.get(), stored.length, width, height);
            const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
            const storage::HeapBlock scaled = storage::AllocateBlock(bytes);
            const PixelView target{scaled.get(), width, height, width * 3, 3};
            return scaled && ResampleCells(stored.View(), stored.x, target, width, 1) &&
                   TileBackground(scaled.get(), bytes, width, height);
        },
        warnings);
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
