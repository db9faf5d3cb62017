#pragma once
// Walking a path one component at a time, so that each can be opened on its own
// without following links: the elevated programs never write or delete through a
// link (on Windows a reparse point: a junction, a symbolic link, a mount point).
#include <string>
#include <string_view>
#include <vector>

namespace install {

// Each path from just below base down to path: base "C:\", path "C:\A\B\f.txt"
// gives "C:\A", "C:\A\B", "C:\A\B\f.txt". Separators are "\" (a doubled one is
// passed over, a trailing one left out); empty when path does not lie below base.
std::vector<std::string> PathSteps(std::string_view path, std::string_view base);

// True when the path the system reports for an open handle ("\\?\C:\A\B", as
// GetFinalPathNameByHandle gives it) names expected ("C:\a\b"): the "\\?\" prefix
// and a trailing "\" are left out, letter case is ignored as the file system
// ignores it (install/PathText.h).
bool SameFinalPath(std::string_view finalPath, std::string_view expected);

// One spelling for every spelling of a folder path, to find a held folder again:
// letter case folded as the file system folds it (FoldedPath), "/" and a doubled
// "\" made one "\", one trailing "\"
// ("c:\a\\B" and "C:\A/b\" both give "C:\A\B\").
std::string FolderKey(std::string_view path);

// The folder above a folder path and the path's last part: "C:\A\B\" gives
// "C:\A\" and "B", "C:\A" gives "C:\" and "A". False for a drive root and a
// path without a part below it.
bool SplitLastPart(std::string_view path, std::string& parent, std::string& name);

}  // namespace install
