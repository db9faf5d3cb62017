#pragma once
// CRC-32 as zlib computes it (reflected polynomial 0xEDB88320), one bit at a time:
// a few dozen bytes of code instead of zlib's table-driven 8 KB. The setup program
// inflates only zlib streams, which carry an Adler-32 check, so zlib's CRC-32 (for
// gzip streams) is never called there; ZlibChecksums_win.cpp puts this one in its
// place so that the program stays small and would still be correct if it were.
#include <cstddef>
#include <cstdint>

namespace storage {

// The running CRC of previous bytes (0 to start) updated with length more bytes.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length) noexcept;

}  // namespace storage
