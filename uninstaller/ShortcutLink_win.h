#pragma once
// Reads what a shell shortcut (".lnk") starts. COM must be initialised on the
// calling thread.
#include <optional>
#include <string>

namespace uninstaller {

struct ShortcutLink {
    std::string target;     // the path as stored, not resolved
    std::string arguments;
};

// Nothing when the file cannot be loaded as a shell link.
std::optional<ShortcutLink> ReadShortcutLink(const std::string& shortcutPath);

}  // namespace uninstaller
