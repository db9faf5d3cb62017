#pragma once
// What an uninstall will remove, decided from the log's trusted copy before
// anything is touched: every path and name is checked by PathRules, and whatever
// fails a rule is set aside with its reason, never removed.
#include <optional>
#include <string>
#include <vector>

#include "install/PathRules.h"
#include "uninstaller/UninstallLog.h"

namespace uninstaller {

// The path rules setup and the uninstaller share.
using install::IsInside;
using install::IsPlainName;
using install::IsSameOrInside;
using install::NormalizeLocalPath;
using install::PathRules;
using install::ProtectedFolders;
using install::Refusal;
using install::Verdict;

struct RefusedValue {
    std::string name;   // the value's name ("File3", "InstallLocation")
    std::string value;  // its text as logged
    Refusal refusal;
};

struct RemovalPlan {
    std::vector<std::string> files;             // normalized, in log order
    std::vector<std::string> folders;           // normalized, deepest first
    std::vector<std::string> desktopShortcuts;  // plain names
    std::optional<std::string> startMenuGroup;  // a plain name
    std::vector<RefusedValue> refused;
};

RemovalPlan PlanRemoval(const UninstallLog& log, const PathRules& rules);

}  // namespace uninstaller
