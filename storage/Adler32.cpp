#include "storage/Adler32.h"

namespace storage {

std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* bytes, std::size_t length) noexcept {
    constexpr std::uint32_t kBase = 65521;  // the largest prime below 2^16
    // The most bytes whose sums cannot overflow 32 bits before the modulo (zlib's NMAX).
    constexpr std::size_t kRun = 5552;
    std::uint32_t a = adler & 0xFFFFu;
    std::uint32_t b = adler >> 16;
    while (length > 0) {
        const std::size_t run = length < kRun ? length : kRun;
        for (std::size_t i = 0; i < run; ++i) {
            a += bytes[i];
            b += a;
        }
        bytes += run;
        length -= run;
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}

}  // namespace storage
