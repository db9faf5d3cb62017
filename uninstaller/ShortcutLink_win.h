#pragma once
// Reads what a shell shortcut (".lnk") starts, from a file the caller holds open,
// so that the file read is the one the caller then acts on. COM must be
// initialised on the calling thread.
#include <optional>
#include <string>

namespace uninstaller {

struct ShortcutLink {
    std::string target;     // the path as stored, not resolved
    std::string arguments;
};

// file: a HANDLE opened for reading, at its start. Nothing when its bytes are no
// shell link or larger than any shortcut the installation makes.
std::optional<ShortcutLink> ReadShortcutLink(void* file);

}  // namespace uninstaller
