#pragma once
// The byte layout of a container, shared by the reader and the tool that writes
// containers. Everything is little-endian and byte-packed (no alignment, no padding).
//
//   Header, 12 bytes at offset 0:
//     0  4  magic      "TKDS"
//     4  1  version    2
//     5  4  highestId  largest node id in the container (not read back)
//     9  3  reserved   zero
//
//   Record, from the record offset (a chain starting at 12):
//     0  2  record length  26 + name bytes including their zero byte
//     2  1  kind           1 = node record; other kinds are skipped whole
//     3  4  id             unique, never 0
//     7  4  parentId       0 = under the root
//    11  1  type           NodeType
//    12  1  enciphered     non-zero: check block + enciphered body
//    13  1  compressed     non-zero: 4-byte unpacked size + zlib stream
//    14  4  next           absolute offset of the next record or of the end marker
//    18  4  storedSize     data bytes after the name
//    22  4  sizeCopy       equal to storedSize (not read back)
//    26  n  name           ANSI text and one zero byte
//  26+n  storedSize data
//
//   End marker: a 16-bit 0 at the last record's next offset. The chain ends when
//   fewer than kMinRecordSize bytes remain before the end of the container.
//
//   Stored data by flags: plain; [U:4][zlib stream inflating to U bytes];
//   [check block:8][body XOR key]; or both, compression applied before enciphering.
//
// The payload stream. Payload nodes may instead keep their bytes in one LZMA
// stream outside the container, after the program image (the overlay), so
// that a product is neither held in the mapped image nor limited by its size.
// Containers without such nodes carry none of the records below and read as
// above. The new records use kinds that a reader of node records only skips
// whole, so an older reader never sees a streamed node (its path is invalid)
// rather than misreading one. Their fixed part and name are those of a node
// record; flags are 0; storedSize is exactly the data size given here.
//
//   Streamed node record (kind 2): a Binary node whose bytes are in the stream.
//     id, parentId, name as a node record; type 3 (Binary)
//     data, 16 bytes:
//       0  8  streamOffset  where its bytes start in the decoded stream
//       8  8  length        how many decoded bytes are its own
//   In chain order the streamed nodes tile the decoded stream: the first starts
//   at 0 and each starts where the one before it ends.
//
//   Stream record (kind 3): at most one, present exactly when streamed nodes are.
//     id unique like a node's, parentId 0, name "PayloadStream" (not a node: no
//     path reaches it); data, 60 bytes:
//       0  8  fileOffset    absolute offset of the stream in the file that carries
//                           the container: after the PE image in a setup program,
//                           after the container in a container file (below)
//       8  8  storedLength  the stream's bytes: LZMA properties, then LZMA data
//      16  8  decodedSize   the sum of the streamed nodes' lengths
//      24  4  crc32         CRC-32 (zlib's) of all decoded bytes
//      28 32  sha256        SHA-256 of the storedLength stored bytes
//   The setup program reads the stream from its file by name, and whoever can
//   write the folder beside it can put another file there; the container is in
//   the mapped image, so the digest it holds tells the stream written by tkds
//   from any other, which a CRC-32 (forged at will) cannot. A reader checks the
//   digest over the stored bytes before it decodes any of them.
//   The stream: one or more chunks one after another. A chunk is the LZMA SDK's
//   5-byte properties (lc/lp/pb byte, 32-bit dictionary size) and one raw LZMA
//   stream, with or without an end mark, that decodes on its own (a fresh
//   decoder state, nothing reaching back into an earlier chunk) to exactly its
//   decoded size. A reader accepts dictionaries up to kMaxStreamDictionary and
//   stored lengths that end inside the file.
//
//   Chunks record (kind 4): at most one, only with the stream record. Without it
//   the stream is one chunk of storedLength and decodedSize. id unique like a
//   node's, parentId 0, name "PayloadChunks"; data, 4 + 16 x count bytes:
//       0  4  count         at least 1
//     then count times, in stream order:
//       0  8  storedLength  at least 5: the chunk's properties and LZMA data
//       8  8  decodedSize   at least 1
//   The chunks' stored lengths add up to the stream's storedLength, their
//   decoded sizes to its decodedSize. Chunks that decode on their own are
//   encoded side by side; the stream's CRC-32 and SHA-256 stay those of the
//   whole, and streamed nodes may cross a chunk's end.
//
//   Container file with a stream (what "tkds build" writes): the container, the
//   stream at the container's end, then a 16-byte tail: the container's length
//   (64-bit) and kStreamTailMagic. The tail tells a reader where the container
//   ends, since a chain is read up to the end of what it is given.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace storage {

inline constexpr std::array<std::uint8_t, 4> kMagic = {'T', 'K', 'D', 'S'};
inline constexpr std::uint8_t kVersion = 2;
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::size_t kEndMarkerSize = 2;
inline constexpr std::size_t kMinContainerSize = kHeaderSize + kEndMarkerSize;  // 14
inline constexpr std::size_t kRecordFixedSize = 26;
inline constexpr std::size_t kMinRecordSize = 28;  // a record is read only while this much remains
inline constexpr std::size_t kMinRecordLength = kRecordFixedSize + 1;  // a name needs its zero byte
inline constexpr std::uint8_t kNodeRecordKind = 1;

inline constexpr std::uint8_t kStreamedNodeRecordKind = 2;
inline constexpr std::uint8_t kStreamRecordKind = 3;
inline constexpr std::uint8_t kChunksRecordKind = 4;

// The records that the payload stream's reader takes, not a reader of nodes.
constexpr bool IsPayloadStreamKind(std::uint8_t kind) noexcept {
    return kind == kStreamedNodeRecordKind || kind == kStreamRecordKind || kind == kChunksRecordKind;
}

// The payload stream's records and framing (drawn above).
inline constexpr std::size_t kStreamedNodeDataSize = 16;
inline constexpr std::size_t kStreamedNodeOffsetAt = 0;
inline constexpr std::size_t kStreamedNodeLengthAt = 8;
inline constexpr std::size_t kStreamRecordDataSize = 60;
inline constexpr std::size_t kStreamFileOffsetAt = 0;
inline constexpr std::size_t kStreamStoredLengthAt = 8;
inline constexpr std::size_t kStreamDecodedSizeAt = 16;
inline constexpr std::size_t kStreamCrcAt = 24;
inline constexpr std::size_t kStreamSha256At = 28;
inline constexpr std::size_t kSha256Size = 32;
inline constexpr std::string_view kStreamRecordName = "PayloadStream";
inline constexpr std::string_view kChunksRecordName = "PayloadChunks";
inline constexpr std::size_t kChunksCountSize = 4;
inline constexpr std::size_t kChunkEntrySize = 16;
inline constexpr std::size_t kChunkStoredLengthAt = 0;
inline constexpr std::size_t kChunkDecodedSizeAt = 8;
inline constexpr std::size_t kLzmaPropertiesSize = 5;
inline constexpr std::uint32_t kMaxStreamDictionary = 64u << 20;
// Far beyond any product, and small enough that no sum of lengths below it overflows.
inline constexpr std::uint64_t kMaxStreamDecodedSize = std::uint64_t{1} << 44;
inline constexpr std::array<std::uint8_t, 8> kStreamTailMagic = {'T', 'K', 'D', 'S', 'T', 'A', 'I', 'L'};
inline constexpr std::size_t kStreamTailSize = 16;

// A setup program's resource section starts on a page of its file (tkds make puts
// it there), so that the loader maps the container from the file rather than
// reading it whole; setup lets go of a payload's pages only when it does.
inline constexpr std::uint32_t kResourcePageSize = 4096;

// Offsets of the header and record fields.
inline constexpr std::size_t kHeaderVersionAt = 4;
inline constexpr std::size_t kHeaderHighestIdAt = 5;
inline constexpr std::size_t kRecordLengthAt = 0;
inline constexpr std::size_t kRecordKindAt = 2;
inline constexpr std::size_t kRecordIdAt = 3;
inline constexpr std::size_t kRecordParentIdAt = 7;
inline constexpr std::size_t kRecordTypeAt = 11;
inline constexpr std::size_t kRecordEncipheredAt = 12;
inline constexpr std::size_t kRecordCompressedAt = 13;
inline constexpr std::size_t kRecordNextAt = 14;
inline constexpr std::size_t kRecordStoredSizeAt = 18;
inline constexpr std::size_t kRecordSizeCopyAt = 22;

// Encodings of the stored data.
inline constexpr std::size_t kUnpackedSizePrefix = 4;
inline constexpr std::size_t kCheckBlockSize = 8;
inline constexpr std::string_view kCheckText = "60418273";
inline constexpr std::size_t kKeySize = 8;

enum class NodeType : std::uint8_t {
    Integer = 0,  // 4 bytes once decoded, a little-endian int32
    String = 2,   // ANSI text, read up to the first zero byte
    Binary = 3,   // any bytes
    Folder = 4,   // no data; a parent for other nodes
};

// The node type for a type byte, or nothing for a value that no node may carry.
constexpr std::optional<NodeType> NodeTypeFromByte(std::uint8_t value) noexcept {
    switch (value) {
        case 0: return NodeType::Integer;
        case 2: return NodeType::String;
        case 3: return NodeType::Binary;
        case 4: return NodeType::Folder;
        default: return std::nullopt;
    }
}

constexpr std::string_view NodeTypeName(NodeType type) noexcept {
    switch (type) {
        case NodeType::Integer: return "Integer";
        case NodeType::String: return "String";
        case NodeType::Binary: return "Binary";
        case NodeType::Folder: return "Folder";
    }
    return "";
}

// Little-endian loads from memory that the caller has bounds-checked.
constexpr std::uint16_t LoadLE16(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
constexpr std::uint32_t LoadLE32(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Little-endian appends and overwrites for writers.
inline void AppendLE16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
constexpr std::uint64_t LoadLE64(const std::uint8_t* p) noexcept {
    return static_cast<std::uint64_t>(LoadLE32(p)) | (static_cast<std::uint64_t>(LoadLE32(p + 4)) << 32);
}
inline void AppendLE64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
constexpr void StoreLE32(std::uint8_t* p, std::uint32_t v) noexcept {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

constexpr void StoreLE64(std::uint8_t* p, std::uint64_t v) noexcept {
    StoreLE32(p, static_cast<std::uint32_t>(v));
    StoreLE32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace storage
