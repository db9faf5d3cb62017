// zlib's crc32() for programs that inflate with zlib: linked into the program
// itself (before the zlib library), it keeps zlib's table-driven crc32.o out of
// the link. See Crc32.h.
#include <zlib.h>

#include "storage/Crc32.h"

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
    if (!buf) return 0;  // zlib's answer for the initial value
    return storage::Crc32(static_cast<std::uint32_t>(crc), buf, len);
}
