#pragma once
// Whom one run of setup installs for: what the product offers, what the command
// line asks (/CURRENTUSER, /ALLUSERS) and whether setup runs elevated decide it
// before anything else happens.
//
// An elevated setup never installs for one user: the user's own programs can
// write the user's registry and folders, and an elevated program does not act on
// what only they vouch for. A setup without administrator rights installs for all
// users only by starting itself again through the system's elevation prompt.
#include <optional>
#include <string>

#include "install/InstallScope.h"

namespace app {

struct ScopeDecision {
    enum class Action {
        Install,         // install for scope in this process
        ChooseInWindow,  // the window offers both; scope is the one shown first
        Elevate,         // start again elevated, for all users
        Refuse,          // end at once with message and exitCode
    };
    Action action = Action::Install;
    install::InstallScope scope = install::InstallScope::Machine;
    std::string message;
    int exitCode = 0;
};

ScopeDecision DecideScope(install::ProductScope product, std::optional<install::InstallScope> requested,
                          bool elevated, bool interactive);

// The text when the elevation prompt for an installation for all users was
// refused, and the exit code then (1602, as the user cancelled).
std::string ElevationRefusedText();

}  // namespace app
