#pragma once
// One setup of a record at a time, on the whole machine: a lock file per record
// in the system's Windows folder, taken as setup starts (before its window shows
// or anything is written) and held open, shared with nobody, until setup ends.
// Only administrators can add files to that folder, and the file is made with an
// access list for administrators and the system alone, so no ordinary user can
// make, open or hold it: a user can neither keep every setup of a product from
// running nor let two run at once. The file is removed when the last handle
// closes, which the system does for a process that is killed as well.
//
// A setup for the current user cannot add files to the Windows folder: its lock
// is a mutex of the record in the user's session, which only the user's own
// programs can take (and so only the user can keep it).
#include <optional>
#include <string>
#include <string_view>

#include "framework/Handles_win.h"
#include "install/InstallScope.h"

namespace storage {
class Storage;
}

namespace app {

class SetupInstanceLock {
public:
    enum class Taking {
        Held,          // this process holds the record's lock
        HeldElsewhere, // another setup of the record holds it
        Failed,        // it could not be taken (error says why): setup must not run either
    };
    Taking Take(std::string_view record, install::InstallScope scope, unsigned long& error);

private:
    Taking TakeMachineLock(std::string_view record, unsigned long& error);
    Taking TakeUserLock(std::string_view record, unsigned long& error);

    framework::FileHandle lock_;
};

// The record the container's install document names; empty when the container
// or its document cannot be read (the window then reports that as before).
std::string RecordOfThisSetup(storage::Storage& storage);

// Whom the product installs for, as its container says: the machine when it says
// nothing; nothing when it names a scope setup does not know.
std::optional<install::ProductScope> ProductScopeOfThisSetup(storage::Storage& storage);

}  // namespace app
