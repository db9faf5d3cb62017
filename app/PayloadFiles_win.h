#pragma once
// Where the run writes each payload file, settled before anything is written: the
// entry's base folder and the folders of its name that exist are held, those
// missing are listed for the run to make (once it has noted them), and a file
// already at its path is kept unless this record installed it. Each file the record
// lists is written as its new copy beside it and renamed over it once every file
// is written, so that it is always either the old file or the new one; a file in
// the Windows folder, which the record does not list, is written in place. Every
// file is created relative to its held folder, never looked up by its full path again.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/InstallSteps.h"
#include "framework/Handles_win.h"
#include "install/HeldFolders_win.h"
#include "install/InstallDocument.h"
#include "install/RelativeOpen_win.h"

namespace app {

enum class PayloadFault {
    None,
    Link,     // where names a link (or a folder that lies elsewhere); nothing is written through it
    Foreign,  // where names a file this record did not install; it is kept
    OpenFolder,  // where names an existing folder others than administrators may change
    Failed,   // where could not be opened or made; error tells why
};

struct PayloadProblem {
    PayloadFault fault = PayloadFault::None;
    std::string where;
    DWORD error = NO_ERROR;
};

class PayloadFiles {
public:
    // Holds each entry's base folder and the folders of its name that exist, in
    // document order, and appends those missing to missingFolders (outermost
    // first; it may already list the destination's missing folders, below which
    // nothing is held). Checks each file already there, and each new copy, against
    // recordedFiles (what the record installed before). A file in the Windows
    // folder is never listed, so one already there is kept as well.
    bool Prepare(const std::vector<install::PayloadEntry>& entries, const BaseFolders& bases,
                 const std::vector<std::string>& recordedFiles, install::HeldFolders& held,
                 std::vector<std::string>& missingFolders, PayloadProblem& problem);

    // The full path of entry index's file.
    const std::string& PathOf(std::size_t index) const { return targets_[index].place.path; }

    // Opens the file that entry index's bytes go to for writing, emptied: its new
    // copy, or the file itself in the Windows folder; invalid (and problem set)
    // when that is another program's or cannot be made.
    framework::FileHandle Open(std::size_t index, const install::HeldFolders& held, PayloadProblem& problem);

    // Removes what Open made for entry index (found again below its held folder,
    // only while it is the file Open made); false when it is not there.
    bool Remove(std::size_t index, const install::HeldFolders& held) const;

    // Renames entry index's new copy over its file; NO_ERROR, or why not (the
    // file is in use, for one). Nothing to do for a file written in place, or
    // for an entry that a later entry of the same path replaces.
    DWORD Commit(std::size_t index, const install::HeldFolders& held) const;
    // Entry index's file is written as a new copy and renamed over it.
    bool WritesNewCopy(std::size_t index) const { return targets_[index].newCopy; }

private:
    struct Target {
        PayloadPlace place;
        bool newCopy = false;   // written beside the file and renamed over it
        bool replaces = false;  // what Open makes may exist already and is this record's
        bool commits = true;    // no later entry writes the same path
        std::uint64_t written = 0;  // the file system's number of the file Open made or emptied
    };
    // Entry index's file as Open left it, opened again with access; refused when
    // anything else is at its name now.
    install::RelativeOpen OpenWritten(std::size_t index, const install::HeldFolders& held, ACCESS_MASK access) const;
    std::vector<Target> targets_;
};

}  // namespace app
