#pragma once
// Where a shortcut file goes: the rules that do not need the shell.
#include <cstddef>
#include <string>
#include <string_view>

namespace install {

// The longest path a shortcut operation accepts, in characters, without the
// terminating zero (the system's 260-byte path buffers).
inline constexpr std::size_t kMaxShortcutPath = 259;

// True when path ends with ".lnk" in any letter case ("Readme.LNK"); "Name 1.0" does not.
bool HasShortcutExtension(std::string_view path);

// Appends "\" unless folder already ends with one.
void AppendSeparator(std::string& folder);

// folder + "\" (when missing) + name + ".lnk" (unless name has it). False, with
// folder unchanged, when the result would exceed kMaxShortcutPath.
bool AppendShortcutFile(std::string& folder, std::string_view shortcutName);

}  // namespace install
