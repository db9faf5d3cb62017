#pragma once
// Turns checked manifest entries into a container: reads and converts the files,
// encodes each node's data and writes one node record per entry, in order. A
// product's files are read, compressed and written in chunks, so the memory used
// does not grow with their size.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/ByteStreams.h"
#include "tools/tkds/Manifest.h"
#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {

// Where the container's file= path is read from: a relative one in baseDir.
std::string ResolveFile(const std::string& baseDir, const std::string& file);

// Writes the container into sink; files named relatively are found in baseDir.
// Tree lines must have been expanded (ExpandTrees). Every problem is added to
// errors; the sink holds a complete container only when there is none. document
// gets the install document's text as the setup program reads it (the String
// node "Data.idoc" up to its first zero byte, when no password other than ""
// protects it), or nothing. Entries with compress=lzma become streamed node
// records, in order, and stream gets their files and sizes; the container then
// ends with a stream record, and a chunks record when the stream has more than
// one chunk of chunkSize decoded bytes (0: StreamChunkSize of its size), for
// the caller to fill once the stream is written (PatchStreamRecord).
bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir, storage::PatchableSink& sink,
                    std::optional<std::string>& document, StreamPlan& stream, std::vector<ManifestError>& errors,
                    std::uint64_t chunkSize = 0);

// The same into memory; container is set only when there is no problem.
bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir,
                    std::vector<std::uint8_t>& container, StreamPlan& stream, std::vector<ManifestError>& errors,
                    std::uint64_t chunkSize = 0);

// The message for work that needs libpng in a build without it.
inline constexpr const char* kNoPngMessage = "PNG conversion is not available in this build";

}  // namespace tkds
