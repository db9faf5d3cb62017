#pragma once
// Where a shortcut file goes: the rules that do not need the shell.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace install {

// A shortcut a run asked for and could not make: its name, and where it belonged
// (the desktop, or the program group under the Start menu's Programs folder).
struct LostShortcut {
    bool desktop = false;
    std::string group;  // the program group; empty for the desktop
    std::string name;   // the shortcut's name, without ".lnk"
};

// Where a lost shortcut belonged: "Desktop\<name>" or "Start menu\<group>\<name>".
std::string LostShortcutText(const LostShortcut& shortcut);
// The lost shortcuts, one a line.
std::string LostShortcutLines(const std::vector<LostShortcut>& lost);

// The longest path a shortcut operation accepts, in UTF-16 units without the
// terminating zero (the system's MAX_PATH buffers of 260).
inline constexpr std::size_t kMaxShortcutPath = 259;

// True when path ends with ".lnk" in any letter case ("Readme.LNK"); "Name 1.0" does not.
bool HasShortcutExtension(std::string_view path);

// Appends "\" unless folder already ends with one.
void AppendSeparator(std::string& folder);

// folder + "\" (when missing) + name + ".lnk" (unless name has it). False, with
// folder unchanged, when the result would exceed kMaxShortcutPath.
bool AppendShortcutFile(std::string& folder, std::string_view shortcutName);

}  // namespace install
