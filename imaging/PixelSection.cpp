// The platform-independent half of PixelSection; Create and Reset live in
// PixelSection_win.cpp (DIB sections) and PixelSection_host.cpp (heap memory).
#include "imaging/PixelSection.h"

#include <utility>

namespace imaging {

PixelSection::~PixelSection() { Reset(); }

PixelSection::PixelSection(PixelSection&& other) noexcept
    : view_(std::exchange(other.view_, PixelView{})), handle_(std::exchange(other.handle_, nullptr)) {}

PixelSection& PixelSection::operator=(PixelSection&& other) noexcept {
    if (this != &other) {
        Reset();
        view_ = std::exchange(other.view_, PixelView{});
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

}  // namespace imaging
