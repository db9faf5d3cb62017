#pragma once
// The payload stream (drawn in ContainerFormat.h): the records that place
// streamed nodes in one LZMA stream after the container, and a decoder
// that reads the stream front to back through a byte source and hands each
// streamed node's bytes, in order, to a sink. Memory: the dictionary (at most
// the decoded size), the decoder's tables and one input buffer; never the stream.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "storage/ContainerFormat.h"
#include "storage/ContainerWalker.h"

namespace storage {

struct StreamedNode {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::string_view name;        // points into the container
    std::uint32_t recordOffset = 0;
    std::uint64_t streamOffset = 0;  // in the decoded stream
    std::uint64_t length = 0;
};

// A part of the stream that decodes on its own (drawn in ContainerFormat.h).
struct PayloadChunk {
    std::uint64_t storedLength = 0;  // properties and LZMA data
    std::uint64_t decodedSize = 0;
};

struct PayloadStreamLayout {
    bool present = false;            // the container has a stream record
    std::uint64_t fileOffset = 0;    // where the stream starts in the carrying file
    std::uint64_t storedLength = 0;  // properties and LZMA data
    std::uint64_t decodedSize = 0;
    std::uint32_t crc32 = 0;
    std::array<std::uint8_t, kSha256Size> sha256{};  // of the stored bytes
    std::vector<StreamedNode> nodes;  // in chain order, which is stream order
    // The chunks record's entries, where the container holds them, or null: one chunk (ChunkAt).
    const std::uint8_t* chunkEntries = nullptr;
    std::uint32_t chunkCount = 1;
};

// Chunk k (below chunkCount) of a layout that ReadStreamLayout accepted; the
// whole stream when it has no chunks record.
PayloadChunk ChunkAt(const PayloadStreamLayout& layout, std::uint32_t k) noexcept;

enum class PayloadStreamResult {
    Ok,
    Malformed,       // the stream's records break the format's rules
    ReadFailed,      // the source could not deliver the stream's bytes
    WrongHash,       // the stored bytes do not match the SHA-256: not the stream tkds wrote
    Unsupported,     // LZMA properties out of range or a dictionary above the cap
    CorruptData,     // the LZMA data does not decode, or bytes follow its end
    WrongSize,       // the data ends before or after the decoded size
    WrongCrc,        // the decoded bytes do not match the CRC-32
    OutOfMemory,
    SinkFailed,      // the sink refused the bytes
};

// A short English reason for a result ("" for Ok).
std::string_view StreamResultText(PayloadStreamResult result) noexcept;

// The stream's layout from the records of a walked container; fileSize is the
// size of the file that carries the container and the stream. A container with
// neither kind of record gives Ok and a layout that is not present. Every
// field is checked: one stream record at most, present exactly when streamed
// nodes are; each streamed record of the exact size, a Binary with no flags;
// the nodes tiling [0, decodedSize) in chain order; decodedSize at most
// kMaxStreamDecodedSize; the stored bytes inside the file (ReadFailed if not);
// a chunks record only with the stream record, its chunks adding up to it.
PayloadStreamResult ReadStreamLayout(const std::vector<ChainRecord>& records, std::uint64_t fileSize,
                              PayloadStreamLayout& layout);

// The same for container bytes that have not been walked yet (the setup's
// resource): Malformed when the walk fails.
PayloadStreamResult ReadStreamLayout(const std::uint8_t* container, std::size_t length, std::uint64_t fileSize,
                              PayloadStreamLayout& layout);

// Where the stream's bytes come from: the carrying file, read with ordinary reads.
class StreamSource {
public:
    virtual ~StreamSource() = default;
    // Exactly length bytes at the absolute offset into buffer; false on an error or a short read.
    virtual bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) = 0;
};

// Where the decoded bytes go. For each streamed node in order: BeginNode, its
// bytes in one or more WriteNode calls (none for an empty node), EndNode. A
// false answer stops the decode with SinkFailed. The CRC-32 and the exact size
// are known only at the stream's end, so everything a sink has written is
// provisional until DecodePayloadStream returns Ok.
class StreamSink {
public:
    virtual ~StreamSink() = default;
    virtual bool BeginNode(const StreamedNode& node) = 0;
    virtual bool WriteNode(const std::uint8_t* bytes, std::size_t length) = 0;
    virtual bool EndNode(const StreamedNode& node) = 0;
};

// Reads the stored bytes of a present layout once, front to back, and compares
// their SHA-256 with the record's: Ok, WrongHash, ReadFailed or OutOfMemory.
PayloadStreamResult CheckStreamHash(const PayloadStreamLayout& layout, StreamSource& source) noexcept;

// Decodes the whole stream of a present layout: first CheckStreamHash, so that
// no sink sees a byte of a stream that is not the one written; then front to
// back, chunk after chunk in one window (the largest chunk's dictionary or
// decoded size, if smaller), checking each chunk's properties and that it ends
// exactly at its stored length and decoded size, and the CRC-32 as it goes,
// and the SHA-256 of the bytes it read once more at the end. Allocates with
// malloc and throws nothing.
PayloadStreamResult DecodePayloadStream(const PayloadStreamLayout& layout, StreamSource& source, StreamSink& sink) noexcept;

}  // namespace storage
