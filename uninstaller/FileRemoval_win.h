#pragma once
// Deleting one file or one empty folder, and saying what happened.
#include <cstdint>
#include <string>

namespace uninstaller {

enum class RemovalState {
    Removed,
    Absent,    // it was not there (any more): nothing to do
    NotEmpty,  // a folder that still holds something
    Failed,
};

struct Removal {
    RemovalState state;
    std::uint32_t error = 0;  // the system's code when Failed
};

// Deletes a file; a read-only file is made writable first.
Removal RemoveFile(const std::string& path);
// Removes a folder only when it is empty.
Removal RemoveEmptyFolder(const std::string& path);

// "Access to C:\x was denied." and the like, for a failed removal.
std::string DescribeFailure(const Removal& removal, const std::string& path);

// Removes the running program's own file, which cannot be deleted while it runs:
// it is moved into the temporary folder at once (a running program may be
// renamed) and deleted from there when Windows next starts. Moving it away keeps
// the pending deletion from hitting a fresh copy that a later installation writes
// to the same place. When it cannot be moved, the file itself is deleted at the
// next start. False, with error set, when neither can be arranged.
bool RemoveRunningProgram(const std::string& path, std::uint32_t& error);

}  // namespace uninstaller
