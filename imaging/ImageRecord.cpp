#include "imaging/ImageRecord.h"

#include <cstring>

#include "imaging/PixelView.h"

namespace imaging {

namespace {
std::int32_t ReadInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                     (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
}
}  // namespace

bool ParseImageRecord(const std::uint8_t* record, std::size_t length, ImageRecordHeader& header) {
    if (!record || length < kImageRecordHeaderSize) return false;
    if (std::memcmp(record, kImageRecordTag, sizeof kImageRecordTag) != 0) return false;
    const std::int32_t width = ReadInt32(record + 12);
    const std::int32_t height = ReadInt32(record + 16);
    const std::int32_t format = ReadInt32(record + 20);
    if (width <= 0 || height <= 0) return false;
    const bool hasAlpha = format != 1 && format != 3;
    const int stride = DibStride(width, hasAlpha ? 32 : 24);
    if (stride <= 0) return false;
    // Both factors are below 2^31, so the product fits in 64 bits.
    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
    if (pixelBytes > length - kImageRecordHeaderSize) return false;
    header = ImageRecordHeader{width, height, hasAlpha, stride, record + kImageRecordHeaderSize};
    return true;
}

}  // namespace imaging
