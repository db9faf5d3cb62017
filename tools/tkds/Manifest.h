#pragma once
// The text that describes a container to build, one node a line:
//
//   # comment; blank lines are ignored
//   PATH TYPE id=N [compress=yes|no|lzma] [password=P] [value=V | file=F] [convert=rgb|rgba-t|dib24]
//
// TYPE is Integer, String, Binary or Folder. Tokens are separated by blanks; a
// token may hold double-quoted parts ("a b", with \" and \\ escapes), and "#"
// at the start of a token begins a comment. ${NAME} in an option value is
// replaced by a definition given on the command line. compress=lzma puts a
// Binary node's bytes into the payload stream after the container instead of
// into its record.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ContainerFormat.h"
#include "tools/tkds/PixelConversions.h"

namespace tkds {

struct ManifestEntry {
    int line = 0;
    std::string path;  // segments joined with "."
    std::vector<std::string> segments;
    storage::NodeType type = storage::NodeType::Folder;
    std::uint32_t id = 0;
    bool compress = false;
    bool streamed = false;  // compress=lzma: the bytes go into the payload stream
    std::optional<std::string> password;
    std::optional<std::string> value;  // literal data (decimal text for Integer)
    std::optional<std::string> file;   // as written, after substitution
    std::optional<PixelLayout> convert;
};

struct ManifestError {
    int line = 0;
    std::string reason;
};

using Defines = std::map<std::string, std::string, std::less<>>;

// Parses and checks the whole manifest: syntax, option values, unique ids and
// paths, and that every parent is a Folder entry somewhere in the manifest.
// Every problem found is added to errors; entries are usable only when none is.
bool ParseManifest(std::string_view text, const Defines& defines, std::vector<ManifestEntry>& entries,
                   std::vector<ManifestError>& errors);

// True for a name that -D accepts and ${...} can refer to: letters, digits, "_".
bool IsDefineName(std::string_view name) noexcept;

}  // namespace tkds
