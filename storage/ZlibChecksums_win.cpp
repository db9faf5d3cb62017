// zlib's crc32() and adler32() for programs that inflate with zlib: linked into
// the program itself (before the zlib library), they keep zlib's table-driven
// crc32.o and unrolled adler32.o out of the link. See Crc32.h and Adler32.h.
#include <zlib.h>

#include "storage/Adler32.h"
#include "storage/Crc32.h"

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
    if (!buf) return 0;  // zlib's answer for the initial value
    return storage::Crc32(static_cast<std::uint32_t>(crc), buf, len);
}

extern "C" uLong ZEXPORT adler32(uLong adler, const Bytef* buf, uInt len) {
    if (!buf) return 1;  // zlib's answer for the initial value
    return storage::Adler32(static_cast<std::uint32_t>(adler), buf, len);
}
