#pragma once
// What an uninstall will remove, decided from the log before anything is touched:
// every path and name is checked by PathRules, and whatever fails a rule is set
// aside with its reason, never removed.
#include <optional>
#include <string>
#include <vector>

#include "uninstaller/PathRules.h"
#include "uninstaller/UninstallLog.h"

namespace uninstaller {

struct RefusedValue {
    std::string name;   // the value's name ("File3", "InstallLocation")
    std::string value;  // its text as logged
    Refusal refusal;
};

struct RemovalPlan {
    std::optional<std::string> installLocation;  // normalized, when recorded and accepted
    std::vector<std::string> files;              // normalized, in log order
    std::vector<std::string> folders;            // normalized, deepest first
    std::vector<std::string> desktopShortcuts;   // plain names
    std::optional<std::string> startMenuGroup;   // a plain name
    std::vector<RefusedValue> refused;
};

// installLocation is the uninstall entry's "InstallLocation" value when there is one.
RemovalPlan PlanRemoval(const UninstallLog& log, const std::optional<std::string>& installLocation,
                        const PathRules& rules);

}  // namespace uninstaller
