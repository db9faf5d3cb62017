#pragma once
// Writing the payload stream (drawn in storage/ContainerFormat.h): what the
// container builder plans for the nodes marked compress=lzma, and the encoder
// that streams their files through liblzma's LZMA1 encoder into the output file
// in chunks that decode on their own, several encoded side by side (bounded
// memory: the encoder's tables and two buffers per thread, never a whole file).
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/tkds/ProgressLine.h"

namespace tkds {

// One streamed node's bytes: a file, or the literal value of its manifest line.
struct StreamItem {
    int line = 0;
    std::string file;                  // resolved path, when not a value
    std::optional<std::string> value;
    std::uint64_t size = 0;            // as found when the container was built
};

struct StreamPlan {
    std::vector<StreamItem> items;  // in stream order
    std::uint64_t decodedSize = 0;
    std::uint64_t chunkSize = 0;    // decoded bytes per chunk; the last may have fewer
    std::size_t recordDataAt = 0;   // the stream record's data in the container
    std::size_t chunksDataAt = 0;   // the chunks record's data, 0 for one chunk (no record)

    bool Empty() const noexcept { return items.empty(); }
};

// What the stream and chunks records say once the stream is written.
struct StreamFigures {
    std::uint64_t fileOffset = 0;
    std::uint64_t storedLength = 0;
    std::uint64_t decodedSize = 0;
    std::uint32_t crc32 = 0;
    std::array<std::uint8_t, 32> sha256{};  // of the stored bytes
    std::vector<std::uint64_t> chunkStoredLengths;
};

// A stream of up to 64 MB (the largest dictionary the reader takes) is one
// chunk with its whole size as dictionary, as before chunks; a larger one is
// cut into two or more equal chunks of at most kMaxStreamChunk, each with a
// dictionary of at most kChunkDictionary: a smaller dictionary encodes faster,
// and long chunks lose little to the encoder starting afresh. Measured with
// xz's preset 9, pb=0 (the stream's own bytes) against one stream with a 64 MB
// dictionary. Wine's x86_64 DLLs (673 MB, 727 files): one stream about 89.5
// MB, NSIS /SOLID lzma 93.5 MB; 48 MB chunks with 16 MB dictionaries 94.8 MB,
// 96 MB with 16 MB 93.7 MB, 96 MB with 32 MB 92.2 MB for a third more time.
// tkds make with 96 MB / 16 MB chunks: a 93.6 MB setup in 132 s with two
// threads (48 MB / 16 MB: 268 s with one), makensis 274 s (one stream with a
// 64 MB dictionary took 1.77 times makensis).
// 150 MB of those DLLs: 48 MB / 16 MB +2.5 % at 0.61 of the time per byte,
// 64 MB / 64 MB +1.2 % at the same time, 32 MB / 32 MB +5.6 % at 0.74.
// Python's library (52 MB) stays one chunk: 32 MB chunks would cost +3.6 %.
inline constexpr std::uint64_t kSingleChunkLimit = std::uint64_t{64} << 20;
inline constexpr std::uint64_t kMaxStreamChunk = std::uint64_t{96} << 20;
inline constexpr std::uint64_t kChunkDictionary = std::uint64_t{16} << 20;

// The decoded bytes per chunk for a stream of this size, depending only on the
// size and never on the thread count; equal chunks, so that threads finish together.
constexpr std::uint64_t StreamChunkSize(std::uint64_t decodedSize) noexcept {
    if (decodedSize <= kSingleChunkLimit) return decodedSize == 0 ? 1 : decodedSize;
    const std::uint64_t count = std::max<std::uint64_t>(2, (decodedSize + kMaxStreamChunk - 1) / kMaxStreamChunk);
    return (decodedSize + count - 1) / count;
}

// How many chunks a stream of this size has in chunks of chunkSize (at least one).
constexpr std::uint64_t StreamChunkCount(std::uint64_t decodedSize, std::uint64_t chunkSize) noexcept {
    return decodedSize <= chunkSize ? 1 : (decodedSize + chunkSize - 1) / chunkSize;
}

// The dictionary for a stream or chunk of this decoded size: the size itself
// (rounded up as the properties byte stores it), at least 4 KB and at most 64 MB.
std::uint32_t StreamDictionarySize(std::uint64_t decodedSize) noexcept;

// The dictionary of every chunk of a stream: StreamDictionarySize of the whole
// when it is one chunk, else of the chunk size up to kChunkDictionary.
std::uint32_t ChunkDictionarySize(std::uint64_t decodedSize, std::uint64_t chunkSize) noexcept;

// The threads that "all" means: the processors this process may run on.
unsigned OnlineProcessors() noexcept;

// How the stream is written: its progress, and how many chunks are encoded at
// once (0: OnlineProcessors()). The bytes written do not depend on threads.
struct StreamSettings {
    ProgressStyle progress = ProgressStyle::Quiet;
    unsigned threads = 0;
};

// Encodes the plan's bytes in chunks of plan.chunkSize, each its 5-byte
// properties and its LZMA data, in scratch files in the system's temporary
// folder, and writes them in order to fd from the absolute offset at on;
// figures gets the offset, the stored lengths, the decoded size, the CRC-32 and
// the SHA-256 of the bytes written. A file whose size differs from the plan's
// fails: the container already names its length.
bool WriteStream(int fd, std::uint64_t at, const StreamPlan& plan, StreamFigures& figures,
                 const StreamSettings& settings, std::string& error);

// Fills the stream record (and the chunks record) of a container that the plan was made for.
void PatchStreamRecord(std::vector<std::uint8_t>& container, const StreamPlan& plan, const StreamFigures& figures);

// Writes all of bytes to fd at the absolute offset; false with the reason.
bool WriteAt(int fd, std::uint64_t at, const std::uint8_t* bytes, std::size_t length, std::string& error);

}  // namespace tkds
