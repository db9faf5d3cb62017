#include "storage/Crc32.h"

namespace storage {

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length) noexcept {
    crc = ~crc;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace storage
