#pragma once
// Opening the log file a command line names (/LOG=), for the elevated programs.
// The folders of its path are held from the drive's root down without following
// links (HeldFolders), and the file is made or opened below the held folder: a
// link anywhere on the path, or at the file's own name, is refused, never
// followed. The file's folder must be one that only administrators can add files
// to (FolderTrust_win.h), so that no user can have made the file first or swap it
// later. An existing file is emptied only when it is a plain file with one name.
#include <string>

#include "framework/Handles_win.h"

namespace install {

struct LogFileOpening {
    framework::FileHandle file;  // open for writing, emptied, shared for reading only
    // Why there is no file; the whole text for a box or standard error.
    std::string reason;
    // The path itself is refused (a link on it, or a folder others may write),
    // as against a file the system could not make.
    bool refused = false;
};

LogFileOpening OpenLogFile(const std::string& path);

}  // namespace install
