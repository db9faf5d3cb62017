#pragma once
// The text that describes a container to build, one node a line:
//
//   # comment; blank lines are ignored
//   PATH TYPE id=N [compress=yes|no|lzma] [password=P] [value=V | file=F] [convert=rgb|rgba-t|dib24]
//   Data.* Tree dir=DIR [compress=yes|no|lzma]
//
// TYPE is Integer, String, Binary or Folder. A Tree line stands for every regular
// file below DIR, each a payload node with a line in the install document (see
// TreeExpansion.h); tkds chooses their names and ids. Tokens are separated by blanks; a
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

// The path of every Tree line: its files become payload nodes under "Data.".
inline constexpr std::string_view kTreePath = "Data.*";

// How a node's data is stored, by the word compress= takes.
enum class Compression { None, Zlib, Lzma };

// What a Tree line without compress= uses: the payload stream when this tkds
// has the LZMA encoder, zlib otherwise.
#ifdef TKDS_HAVE_LZMA_ENCODER
inline constexpr Compression kTreeDefaultCompression = Compression::Lzma;
#else
inline constexpr Compression kTreeDefaultCompression = Compression::Zlib;
#endif

struct ManifestEntry {
    int line = 0;
    std::string path;  // segments joined with "."
    std::vector<std::string> segments;
    storage::NodeType type = storage::NodeType::Folder;
    std::uint32_t id = 0;
    Compression compress = Compression::None;
    bool tree = false;                 // a Tree line: dir is set, id and data are not
    std::optional<std::string> dir;    // as written, after substitution
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
