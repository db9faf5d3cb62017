// Host side of PixelSection: zeroed heap memory, like a fresh DIB section.
#include <cstdlib>

#include "imaging/PixelSection.h"

namespace imaging {

bool PixelSection::Create(int width, int height, int bitsPerPixel) {
    Reset();
    if (width <= 0 || height <= 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return false;
    const int stride = DibStride(width, bitsPerPixel);
    if (stride <= 0) return false;
    void* memory = std::calloc(static_cast<std::size_t>(height), static_cast<std::size_t>(stride));
    if (!memory) return false;
    view_ = PixelView{static_cast<std::uint8_t*>(memory), width, height, stride, bitsPerPixel / 8};
    return true;
}

void PixelSection::Reset() noexcept {
    std::free(view_.bits);
    view_ = PixelView{};
    handle_ = nullptr;
}

}  // namespace imaging
