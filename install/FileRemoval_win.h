#pragma once
// Deleting one file or one empty folder, and saying what happened: the uninstaller
// removes what the record lists, setup what an earlier run of the record installed
// and this one does not. Nothing is deleted through a link: every component of the
// path below a trusted base is opened without following links when the deletion
// happens (HoldPathBelow), and the file or folder is deleted through its own handle
// (FileDispositionInfo), so that nothing can be swapped in between.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace install {

enum class RemovalState {
    Removed,
    Absent,    // it was not there (any more): nothing to do
    NotEmpty,  // a folder that still holds something
    Refused,   // a component is a link (reparse point) or not where the path says
    Failed,
    Kept,      // the file is not the one to remove (RemoveFileWhen): left as it is
    AtRestart, // in use: its deletion when Windows next starts is scheduled (the *OrAtRestart calls)
};

struct Removal {
    RemovalState state;
    std::uint32_t error = 0;  // the system's code when Failed (for AtRestart: why it is still there)
    std::string refusedAt;    // the component that is a link, when Refused
    bool secondName = false;  // Refused: the file has another name elsewhere (a hard link)
};

// The drive's root a logged path starts from ("C:\"): the base for removing what
// a record lists, so that every component below it is checked.
std::string DriveRootOf(const std::string& path);

// Deletes a file; a read-only file is made writable first. A file with a second
// name (a hard link) is refused: its attributes and data are those of the file of
// the other name too. path lies below base,
// a folder the system named (the desktop, the Start menu) or a drive root "C:\".
Removal RemoveFile(const std::string& path, const std::string& base);
// Deletes a file like RemoveFile when belongs, given the file's own handle (opened
// for reading as well, shared for reading only, so that what it reads is what is
// deleted), returns true; else the file stays (Kept).
Removal RemoveFileWhen(const std::string& path, const std::string& base, const std::function<bool(void* file)>& belongs);
// Removes a folder only when it is empty.
Removal RemoveEmptyFolder(const std::string& path, const std::string& base);

// RemoveFile, but a file that another program holds (open without sharing, running,
// mapped) is scheduled for deletion when Windows next starts (AtRestart) while
// every component of its path, its own included, is held and checked link-free; a
// second name is refused as by RemoveFile. Failed, with the in-use error, when the
// scheduling fails too (it needs administrator rights).
Removal RemoveFileOrAtRestart(const std::string& path, const std::string& base);
// RemoveEmptyFolder, but a folder that holds nothing but entries in pending (the
// paths already scheduled with the calls above, files before their folders) is
// scheduled for deletion after them (AtRestart). NotEmpty when anything else is
// in it; Failed when the scheduling fails.
Removal RemoveFolderOrAtRestart(const std::string& path, const std::string& base,
                                const std::vector<std::string>& pending);

// "Access to C:\x was denied." and the like, for a failed or refused removal.
std::string DescribeFailure(const Removal& removal, const std::string& path);

// Removes the running program's own file, which cannot be deleted while it runs:
// it is moved at once to a new name in its own folder (a running program may be
// renamed; the installed uninstaller's folder is the Windows folder, which only
// administrators can write, never a folder of the user's) and deleted from there
// when Windows next starts. Moving it away keeps the pending deletion from hitting
// a fresh copy that a later installation writes to the same place. When it cannot
// be moved, the file itself is deleted at the next start. False, with error set,
// when neither can be arranged.
bool RemoveRunningProgram(const std::string& path, std::uint32_t& error);

// Takes a file out of its folder, the running program's own file too, without
// administrator rights: it is renamed into parkingFolder (on the same volume)
// under a new name, "TKU<process id>-<n>.tmp", and deleted there. A running
// program's file can be renamed but not deleted: it then stays in parkingFolder
// under that name (Removed all the same: path is free). Every component of path
// below base and of parkingFolder below its drive's root is opened without
// following links, and the file is renamed and deleted through its own handle.
// Failed, the file where it was, when it cannot be renamed (parkingFolder on
// another volume, for one).
Removal ParkAndRemove(const std::string& path, const std::string& base, const std::string& parkingFolder);

}  // namespace install
