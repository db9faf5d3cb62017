#pragma once
// Turns checked manifest entries into a container: reads and converts the files,
// encodes each node's data and writes one node record per entry, in order.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tkds/Manifest.h"
#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {

// Where the container's file= path is read from: a relative one in baseDir.
std::string ResolveFile(const std::string& baseDir, const std::string& file);

// Files named relatively are found in baseDir. Every problem is added to errors;
// container is set only when there is none. Entries marked streamed become
// streamed node records, in order, and stream gets their files and sizes; the
// container then ends with a stream record for the caller to fill once the
// stream is written (PatchStreamRecord).
bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir,
                    std::vector<std::uint8_t>& container, StreamPlan& stream, std::vector<ManifestError>& errors);

// The message for work that needs libpng in a build without it.
inline constexpr const char* kNoPngMessage = "PNG conversion is not available in this build";

}  // namespace tkds
