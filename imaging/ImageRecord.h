#pragma once
// The stored image record, the content of the "Digits" and "Font" nodes:
//
//   offset  size            field
//   0       12              tag "TolvikDIBDAT" (no terminator)
//   12      4               width in pixels            (little-endian, signed)
//   16      4               height in pixels (rows)
//   20      4               format: 1 or 3 = 24-bit blue, green, red;
//                           anything else = 32-bit T, blue, green, red
//   24      stride x height pixel rows, bottom row first, each row padded to a
//                           multiple of 4 bytes (DibStride)
#include <cstddef>
#include <cstdint>

namespace imaging {

inline constexpr char kImageRecordTag[12] = {'T', 'o', 'l', 'v', 'i', 'k', 'D', 'I', 'B', 'D', 'A', 'T'};
inline constexpr std::size_t kImageRecordHeaderSize = 24;

struct ImageRecordHeader {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    int stride = 0;                       // bytes per stored row
    const std::uint8_t* pixels = nullptr;  // stride x height bytes inside the record
};

// Checks a record of `length` bytes: the tag, a width and height of at least 1,
// and pixel rows that are all there. False (header untouched) otherwise.
bool ParseImageRecord(const std::uint8_t* record, std::size_t length, ImageRecordHeader& header);

}  // namespace imaging
