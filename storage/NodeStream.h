#pragma once
// Decodes a node's stored bytes in bounded chunks into a sink: a node of any size
// costs a fixed few hundred kilobytes, and the stored bytes are read in place.
// The sink receives exactly the bytes that decoding into one block gives, in
// order (StorageCipher::Unpack inflates through this decoder too).
#include <cstdint>
#include <string_view>

#include "storage/ByteSink.h"

namespace storage {

enum class StreamResult {
    Done,         // every decoded byte was written and the data is sound
    Damaged,      // password refused, data broken or heap refused; the sink may hold a part
    SinkStopped,  // the sink refused a chunk
};

// Told of stored bytes the decoding has read and will not read again, front to
// back, so that a container mapped from a file can let go of their pages.
using StoredBytesRead = void (*)(const std::uint8_t* bytes, std::size_t length);

// Decodes storedSize bytes at stored as the flags say. Compressed data must inflate
// to exactly its declared size and pass zlib's Adler-32 check; bytes after the end
// of the zlib stream are ignored, as zlib's one-shot uncompress ignores them. A damaged
// node is often found only after part of it has reached the sink. bytesRead, when
// given, hears of the stored bytes in steps of about a megabyte and at the end.
StreamResult StreamStoredData(const std::uint8_t* stored, std::uint32_t storedSize, std::uint8_t enciphered,
                              std::uint8_t compressed, std::string_view password, ByteSink& sink,
                              StoredBytesRead bytesRead = nullptr) noexcept;

}  // namespace storage
