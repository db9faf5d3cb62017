#pragma once
// Holding a path open component by component without following links, for the
// elevated programs: every folder on the way below a trusted base is opened with
// FILE_FLAG_OPEN_REPARSE_POINT, must not be a reparse point and must be where the
// path says (GetFinalPathNameByHandle); the folders are held open without
// FILE_SHARE_DELETE, so none of them can be renamed or swapped for a link while
// the caller works inside them.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles_win.h"

namespace install {

enum class PathHold {
    Held,     // every component is open; the last handle is the path's own
    Missing,  // a component does not exist
    Link,     // a component is a reparse point, or not where the path says
    Failed,   // a component could not be opened (error tells why)
};

struct HeldPath {
    PathHold state = PathHold::Failed;
    std::vector<framework::FileHandle> handles;  // base's children first, path's own last
    std::string where;                           // the component that is a link or failed
    DWORD error = NO_ERROR;
};

// What the last component is opened with; the folders above it are opened for
// reading their attributes only.
struct LastComponent {
    DWORD access = FILE_READ_ATTRIBUTES;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    bool folder = true;
};

// Opens every component of path below base (see LinkFreePath.h for the spelling).
// base itself is taken as it is (it may be a link the system made, as a desktop
// folder can be), and the components below it must lie where its real location
// says they do.
HeldPath HoldPathBelow(const std::string& base, const std::string& path, const LastComponent& last);

// The text that the system reports for an open handle, "\\?\C:\A\B"; empty when it
// cannot tell.
std::string FinalPathOf(HANDLE handle);

}  // namespace install
