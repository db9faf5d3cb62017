#pragma once
// Whose rights the uninstaller runs with. Its manifest asks for none, so that a
// current user's copy starts without the system's prompt; a machine's record is
// removed with administrator rights, so a process without them starts the
// program again, elevated, through the prompt.
#include "uninstaller/CommandLine.h"

namespace uninstaller {

enum class ElevatedRun {
    NotNeeded,  // this process goes on itself: it is elevated, or the record is a current user's
    Ended,      // the elevated run ended; its exit code is the one to end with
    Refused,    // the user refused the prompt: nothing was removed
    Failed,     // it could not be started: nothing was removed
};

// For a machine's record named on the command line and a process that is not
// elevated: this program's own file started again elevated, with the same
// arguments as this process's command line has them, and waited for (exitCode
// gets its exit code). Failed also for the run so started when the system gave it
// no administrator rights: it starts no other. Refused and Failed are told in a
// box unless command is silent.
ElevatedRun RunElevatedWhenNeeded(const UninstallCommandLine& command, unsigned long& exitCode);

}  // namespace uninstaller
