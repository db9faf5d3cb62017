#pragma once
// Adler-32 as zlib computes it, in a plain loop: a few dozen bytes of code
// instead of zlib's unrolled adler32.o. Every zlib stream the setup program
// inflates ends with this check; ZlibChecksums_win.cpp puts this one in place
// of zlib's there.
#include <cstddef>
#include <cstdint>

namespace storage {

// The running Adler-32 of previous bytes (1 to start) updated with length more bytes.
std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* bytes, std::size_t length) noexcept;

}  // namespace storage
