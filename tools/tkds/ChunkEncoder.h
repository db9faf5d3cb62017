#pragma once
// One chunk of the payload stream (drawn in storage/ContainerFormat.h): the
// decoded bytes [begin, end) of a plan's items, read from their files where
// they fall and encoded by liblzma's LZMA1 encoder, with the chunk's own
// properties, into a scratch file. Chunks are encoded side by side, one per
// thread; memory per chunk is the encoder's tables and two buffers.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tkds/PayloadStreamWriter.h"
#include "tools/tkds/ScratchFile.h"

namespace tkds {

// What the encoders have done so far, summed over the threads, for the progress line.
struct ChunkProgress {
    std::atomic<std::uint64_t> read{0};     // decoded bytes taken in
    std::atomic<std::uint64_t> written{0};  // LZMA bytes given out
    std::atomic<std::size_t> files{0};      // items whose last byte has been read
    std::atomic<bool> stop{false};          // one chunk failed: the others give up
};

struct EncodedChunk {
    ScratchFile file;      // the chunk's properties and LZMA data
    std::uint32_t crc32 = 0;  // of its decoded bytes
};

// The decoded bytes of a plan: where each item starts, and the end of the last.
struct PlanOffsets {
    explicit PlanOffsets(const StreamPlan& plan);
    std::vector<std::uint64_t> starts;  // items + 1 entries
};

// What liblzma's encoder takes with this dictionary, in bytes.
std::uint64_t ChunkEncoderMemory(std::uint32_t dictionary);

// The decoded bytes [begin, end) of a plan, and the dictionary to encode them with.
struct ChunkJob {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint32_t dictionary = 0;
};

// Encodes the job's bytes into out.file, made in scratchFolder.
// A file that is no longer a regular file of its listed size fails with the
// reason; so does liblzma or a write. Gives up with an empty error once
// progress.stop is set.
bool EncodeChunk(const StreamPlan& plan, const PlanOffsets& offsets, const ChunkJob& job, const std::string& scratchFolder,
                 EncodedChunk& out, ChunkProgress& progress, std::string& error);

}  // namespace tkds
