#pragma once
// One setup of a record at a time: a named mutex per record, taken as setup
// starts (before its window shows or anything is written) and held until it
// ends. In the global namespace, so that a setup started in another session (a
// deployment tool's service in session 0, a second user) is seen too: both
// would write the same machine-wide folders and keys.
#include <string>
#include <string_view>

#include "framework/Handles_win.h"

namespace storage {
class Storage;
}

namespace app {

class SetupInstanceLock {
public:
    // False when another setup of the record holds it (or holds a mutex of that
    // name this process may not open); true when this process now holds it.
    bool Take(std::string_view record);

private:
    framework::FileHandle mutex_;
};

// The record the container's install document names; empty when the container
// or its document cannot be read (the window then reports that as before).
std::string RecordOfThisSetup(storage::Storage& storage);

}  // namespace app
