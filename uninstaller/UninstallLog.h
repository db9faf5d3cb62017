#pragma once
// The uninstall log as the uninstaller reads it: only the indexed values that the
// "Total" counts cover are current (a later installation leaves an earlier one's
// higher indexes behind). A log whose installation stopped early lacks its later
// counts; then the values are taken from index 0 up to the first one missing, and
// the log says what it could not determine. A record whose last run did not
// complete also lists what that run's journal noted.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/UninstallLayout.h"

namespace uninstaller {

// One value as it was found: its name ("File3") and its text.
struct LoggedValue {
    std::string name;
    std::string value;
};

// Where the log's values come from: the registry, or a table in tests.
class LogValues {
public:
    virtual ~LogValues();
    // The value's text, or nothing when the value does not exist or is not text.
    virtual std::optional<std::string> Read(std::string_view valueName) const = 0;
};

using install::uninstall_layout::kMaxLoggedValues;
using install::uninstall_layout::ParseCount;

struct UninstallLog {
    std::optional<std::string> project;   // "Project": the product's name as shown
    std::vector<LoggedValue> folders;     // "Folder0"..., deepest first
    std::vector<LoggedValue> files;       // "File0"...
    std::vector<LoggedValue> desktopShortcuts;  // "DF0"...: shortcut names on the desktop
    std::optional<std::string> startMenuGroup;  // "SGroup"
    // What could not be determined, one sentence each, for the closing report.
    std::vector<std::string> undetermined;
    // The last run of the record did not complete: the files and folders its
    // journal noted (and the files' new copies) are listed with the others.
    bool unfinishedRun = false;
};

// Reads every current value of the log.
UninstallLog ReadUninstallLog(const LogValues& values);

}  // namespace uninstaller
