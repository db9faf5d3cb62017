#pragma once
// Which paths from an uninstall log may be deleted, and the one spelling that the
// setup program and the uninstaller compare them in. The uninstaller reads only the
// log's trusted copy, which only an administrator can write; these rules keep even
// a damaged copy away from drive roots, the Windows folder and the system's shell
// folders.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace install {

// The longest path accepted, in UTF-16 units without the terminating zero (the
// system's MAX_PATH buffers of 260).
inline constexpr std::size_t kMaxPathLength = 259;

// A local absolute path in one spelling: "C:\A\B". The drive letter is upper-cased,
// "/" becomes "\", doubled and trailing "\" are dropped (the root stays "C:\").
// Empty when the path is not "<letter>:\...", is too long, holds a character that
// no file name may hold, or has a part that the system would rewrite: "." and
// "..", and any part ending in "." or " " (the system strips those, so "a." would
// name "a").
std::optional<std::string> NormalizeLocalPath(std::string_view path);

// Comparisons of normalized paths, letter case ignored as the file system ignores
// it (install/PathText.h, whose SamePathText compares two paths).
// True when path lies below folder (not the folder itself).
bool IsInside(std::string_view path, std::string_view folder);
bool IsSameOrInside(std::string_view path, std::string_view folder);

// A name used as one part of a path (a shortcut, a program group): the setup
// program's own rule for these names (install::CheckName), so that what setup
// makes the uninstaller also removes. A nested group "A\B" is refused by both.
bool IsPlainName(std::string_view name);

// Why a logged value is not used.
enum class Refusal {
    None,
    NotLocalPath,  // not "<letter>:\...", too long, or a "." / ".." part
    DriveRoot,     // "C:\" itself
    SystemFolder,  // the Windows folder, a folder above it or inside it, or a shell folder
    BadName,       // a shortcut or group name that is not a plain name
};

struct Verdict {
    std::string path;  // normalized; empty when refused
    Refusal refusal = Refusal::None;
    bool Accepted() const noexcept { return refusal == Refusal::None; }
};

// The folders that nothing in a log may name as a created folder.
struct ProtectedFolders {
    std::string windowsFolder;
    // Program Files, the shell's special folders (desktop, Start menu, documents,
    // application data, the system folder...): none of them, and no folder above
    // one of them, is a folder an installation created.
    std::vector<std::string> systemFolders;
};

class PathRules {
public:
    explicit PathRules(const ProtectedFolders& folders);

    // A "Folder" value: a local folder that is not a drive root, not the Windows
    // folder, above or inside it, not a protected folder or above one. (A folder
    // inside a protected one, such as Program Files\Tolvik, is what an installation
    // creates.)
    Verdict CheckFolder(std::string_view value) const;

    // A "File" value: a local file path (not ending in "\") that is neither inside
    // the Windows folder (the installation lists no file there) nor a protected
    // folder itself. A file the installation wrote straight into Program Files is
    // its own.
    Verdict CheckFile(std::string_view value) const;

    // True when folder is a protected folder (for the Start-menu group folder).
    bool IsProtected(std::string_view folder) const;

private:
    bool TouchesWindows(std::string_view folder) const;

    std::optional<std::string> windows_;
    std::vector<std::string> protected_;
};

}  // namespace install
