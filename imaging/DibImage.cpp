#include "imaging/DibImage.h"

#include <algorithm>
#include <cstring>

#include "imaging/ImageRecord.h"
#include "imaging/PixelOps.h"
#include "storage/Storage.h"

namespace imaging {

DibImage::~DibImage() = default;

void DibImage::SetStatus(int code, const char* text) noexcept {
    status_.statusCode = code;
    if (text) status_.statusText = text;
}

bool DibImage::Create(int width, int height, bool hasAlpha) {
    SetStatus(kStatusOk, kStatusTextOk);
    Release();
    if (!section_.Create(width, height, hasAlpha ? 32 : 24)) {
        SetStatus(kStatusNoMemory, kStatusTextNoMemory);
        return false;
    }
    width_ = width;
    height_ = height;
    hasAlpha_ = hasAlpha;
    stride_ = section_.View().stride;
    rowPadding_ = stride_ - width * (hasAlpha ? 4 : 3);
    return true;
}

void DibImage::Release() noexcept {
    section_.Reset();
    width_ = height_ = stride_ = rowPadding_ = 0;
    hasAlpha_ = false;
}

bool DibImage::IsValid() {
    if (!section_.Exists()) {
        SetStatus(kStatusNoPicture, nullptr);
        return false;
    }
    SetStatus(kStatusOk, kStatusTextOk);
    return true;
}

int DibImage::GetWidth() { return IsValid() ? width_ : 0; }

int DibImage::GetHeight() { return IsValid() ? height_ : 0; }

std::uint8_t* DibImage::GetPixelAddress(int x, int y) {
    if (!IsValid()) return nullptr;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        SetStatus(kStatusBadCall, kStatusTextBadCall);
        return nullptr;
    }
    return section_.View().At(x, y);
}

bool DibImage::LoadRecord(const std::uint8_t* record, std::size_t length) {
    SetStatus(kStatusOk, kStatusTextOk);
    ImageRecordHeader header;
    if (!ParseImageRecord(record, length, header)) {
        SetStatus(kStatusBadCall, kStatusTextBadCall);
        return false;
    }
    if (!Create(header.width, header.height, header.hasAlpha)) return false;
    std::memcpy(section_.View().bits, header.pixels,
                static_cast<std::size_t>(header.stride) * static_cast<std::size_t>(header.height));
    return true;
}

bool DibImage::Load(storage::Storage& storage, std::string_view path, std::string_view password) {
    storage::HeapBlock data;
    std::uint32_t size = 0;
    if (!storage.GetBinary(path, data, size, password)) {
        SetStatus(kStatusBadCall, kStatusTextBadCall);
        return false;
    }
    return LoadRecord(data.get(), size);
}

bool DibImage::Fill(Color color, std::uint8_t transparency) {
    if (!IsValid()) return false;
    FillSolid(section_.View(), color, transparency);
    return true;
}

bool DibImage::FillChecker(Color color1, Color color2, int cellSize) {
    if (!IsValid()) return false;
    imaging::FillChecker(section_.View(), color1, color2, cellSize);
    return true;
}

bool DibImage::Compose(DibImage& source, int dx, int dy, int sx, int sy, int width, int height) {
    if (!IsValid() || !source.IsValid()) return false;
    const int sourceWidth = source.width_, sourceHeight = source.height_;
    if (width < 0 || height < 0 || width > sourceWidth || height > sourceHeight || sx > sourceWidth ||
        sy > sourceHeight) {
        SetStatus(kStatusBadCall, kStatusTextBadCall);
        return false;
    }
    // Clip to both pictures (64-bit: a far-off start must not overflow).
    width = static_cast<int>(std::min<long long>({width, 0LL + width_ - dx, 0LL + sourceWidth - sx}));
    height = static_cast<int>(std::min<long long>({height, 0LL + height_ - dy, 0LL + sourceHeight - sy}));
    // Both starts must be pixels of their pictures; this also refuses negative ones.
    const std::uint8_t* from = source.GetPixelAddress(sx, sy);
    const std::uint8_t* to = GetPixelAddress(dx, dy);
    if (!from || !to) return false;
    ComposeRows(section_.View(), dx, dy, source.section_.View(), sx, sy, width, height);
    return true;
}

void DibImage::SetBackdropColor(Color color) noexcept {
    backdropMode_ = BackdropMode::SolidColor;
    backdropColor_ = color;
}

void DibImage::SetBackdropChecker(Color color1, Color color2, int cellSize) noexcept {
    backdropMode_ = BackdropMode::Checkerboard;
    checkerColor1_ = color1;
    checkerColor2_ = color2;
    checkerSize_ = cellSize;
}

void DibImage::SetBackdropImage(DibImage* image) noexcept {
    backdropMode_ = BackdropMode::Image;
    backdropImage_ = image;
}

DibImage::DrawRect DibImage::ClampDrawRect(int srcX, int srcY, int width, int height) {
    // A suspicious rectangle is noted, not refused: the blit still happens.
    if (width <= 0 || height <= 0 || srcX >= width_ || srcY >= height_)
        SetStatus(kStatusBadCall, kStatusTextBadCall);
    srcX = std::max(srcX, 0);
    srcY = std::max(srcY, 0);
    // Only an over-wide or over-high size is cut; a rectangle that starts inside and
    // runs past the edge is passed on (the blit clips it).
    if (width > width_) width = width_ - srcX;
    if (height > height_) height = height_ - srcY;
    return DrawRect{srcX, srcY, width, height};
}

bool DibImage::PrepareAlphaDraw(DibImage& temp, const DrawRect& rect) {
    if (!temp.Create(rect.width, rect.height, false)) return false;
    bool ready = true;
    switch (backdropMode_) {
        case BackdropMode::SolidColor: ready = temp.Fill(backdropColor_, 0); break;
        case BackdropMode::Checkerboard: ready = temp.FillChecker(checkerColor1_, checkerColor2_, checkerSize_); break;
        case BackdropMode::Image:
            // The backdrop's first columns and memory rows: its bottom-left corner.
            ready = backdropImage_ && temp.Compose(*backdropImage_, 0, 0, 0, 0, rect.width, rect.height);
            break;
    }
    // srcY is a memory row here, counted from the bottom.
    if (ready) ready = temp.Compose(*this, 0, 0, rect.srcX, rect.srcY, rect.width, rect.height);
    if (!ready) temp.Release();
    return ready;
}

bool DibImage::DrawToView(const PixelView& target, int x, int y, int srcX, int srcY, int width, int height) {
    if (!IsValid()) return false;
    const DrawRect rect = ClampDrawRect(srcX, srcY, width, height);
    if (!hasAlpha_) {
        CopyRect(target, x, y, section_.View(), rect.srcX, rect.srcY, rect.width, rect.height);
        return true;
    }
    DibImage temp;
    if (!PrepareAlphaDraw(temp, rect)) return false;
    CopyRect(target, x, y, temp.View(), 0, 0, rect.width, rect.height);
    return true;
}

}  // namespace imaging
