#pragma once
// Where the run writes each payload file, settled before anything is written: the
// entry's base folder and the folders of its name are held (made where missing,
// and listed with the folders the run created), and a file already at its path is
// kept unless this record installed it. Each file is then created relative to its
// held folder, never looked up by its full path again.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app/InstallSteps.h"
#include "framework/Handles_win.h"
#include "install/HeldFolders_win.h"
#include "install/InstallDocument.h"

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
    // Holds the base folder and makes the subfolders of every entry, in document
    // order, appending each folder it makes to createdFolders; checks each file
    // already there against trustedFiles (what the record installed before). A file
    // in the Windows folder is never listed, so one already there is kept as well.
    bool Prepare(const std::vector<install::PayloadEntry>& entries, const BaseFolders& bases,
                 const std::vector<std::string>& trustedFiles, install::HeldFolders& held,
                 std::vector<std::string>& createdFolders, PayloadProblem& problem);

    // The full path of entry index's file.
    const std::string& PathOf(std::size_t index) const { return targets_[index].place.path; }

    // Opens entry index's file for writing, emptied: a new file, or one this
    // record installed before; invalid (and problem set) otherwise.
    framework::FileHandle Open(std::size_t index, const install::HeldFolders& held, PayloadProblem& problem) const;

    // Removes entry index's file (written by this run, found again below its
    // held folder, never through a link); false when it is not there.
    bool Remove(std::size_t index, const install::HeldFolders& held) const;

private:
    struct Target {
        PayloadPlace place;
        bool replaces = false;  // the file may exist already and is this record's
    };
    std::vector<Target> targets_;
};

}  // namespace app
