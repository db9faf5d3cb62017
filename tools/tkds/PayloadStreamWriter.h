#pragma once
// Writing the payload stream (drawn in storage/ContainerFormat.h): what the
// container builder plans for the nodes marked compress=lzma, and the encoder
// that streams their files through liblzma's LZMA1 encoder into the output file
// (bounded memory: the encoder's tables and one buffer, never a whole file).
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
    std::size_t recordDataAt = 0;   // the stream record's data in the container

    bool Empty() const noexcept { return items.empty(); }
};

// What the stream record says once the stream is written.
struct StreamFigures {
    std::uint64_t fileOffset = 0;
    std::uint64_t storedLength = 0;
    std::uint64_t decodedSize = 0;
    std::uint32_t crc32 = 0;
    std::array<std::uint8_t, 32> sha256{};  // of the stored bytes
};

// The dictionary for a stream of this decoded size: the size itself (rounded up
// as the properties byte stores it), at least 4 KB and at most 64 MB.
std::uint32_t StreamDictionarySize(std::uint64_t decodedSize) noexcept;

// Encodes the plan's bytes as one LZMA stream (5-byte properties, then the LZMA
// data) and writes it to fd from the absolute offset at on; figures gets the
// offset, the stored length, the decoded size, the CRC-32 and the SHA-256 of
// the bytes written. A file whose size differs from the plan's fails: the
// container already names its length. Its progress is shown in the style given.
bool WriteStream(int fd, std::uint64_t at, const StreamPlan& plan, StreamFigures& figures, ProgressStyle style,
                 std::string& error);

// Fills the stream record of a container that the plan was made for.
void PatchStreamRecord(std::vector<std::uint8_t>& container, const StreamPlan& plan, const StreamFigures& figures);

// Writes all of bytes to fd at the absolute offset; false with the reason.
bool WriteAt(int fd, std::uint64_t at, const std::uint8_t* bytes, std::size_t length, std::string& error);

}  // namespace tkds
