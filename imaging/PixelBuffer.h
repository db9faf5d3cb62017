#pragma once
// A 24-bit or 32-bit picture in ordinary heap memory, bottom-up with rows padded
// to 4 bytes like a DIB: what the host tools and the tests draw into.
#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/PixelView.h"

namespace imaging {

class PixelBuffer {
public:
    PixelBuffer() = default;
    PixelBuffer(int width, int height, int bytesPerPixel = 3) { Reset(width, height, bytesPerPixel); }

    // A new zeroed picture; sizes below 1 give an empty one.
    void Reset(int width, int height, int bytesPerPixel = 3) {
        bytes_.clear();
        view_ = PixelView{};
        if (width <= 0 || height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4)) return;
        const int stride = DibStride(width, bytesPerPixel * 8);
        if (stride <= 0) return;
        bytes_.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
        view_ = PixelView{bytes_.data(), width, height, stride, bytesPerPixel};
    }
    const PixelView& View() const noexcept { return view_; }
    bool Empty() const noexcept { return bytes_.empty(); }

    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    PixelBuffer(PixelBuffer&& other) noexcept : bytes_(std::move(other.bytes_)), view_(other.view_) {
        other.view_ = PixelView{};
    }
    PixelBuffer& operator=(PixelBuffer&& other) noexcept {
        bytes_ = std::move(other.bytes_);
        view_ = other.view_;
        other.view_ = PixelView{};
        return *this;
    }

private:
    std::vector<std::uint8_t> bytes_;
    PixelView view_{};
};

}  // namespace imaging
