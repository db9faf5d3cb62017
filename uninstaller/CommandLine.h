#pragma once
// The uninstaller's command line: the program's name, the record name, then
// optional switches ("C:\WINDOWS\TKUNTOOL.EXE Pellumar", as the uninstall entry
// starts it; "... Pellumar /S", as its quiet command does):
//   /S          no box: the outcome is only the exit code (and the log)
//   /LOG=FILE   or /LOG="FILE": what was removed and what stays, in UTF-8
//   /CURRENTUSER  the record is one of the current user's, as a per-user
//               installation's uninstall entry says
// The switches are split as the system splits arguments, and each may be quoted
// as setup's are.
#include <optional>
#include <string>
#include <string_view>

namespace uninstaller {

struct UninstallCommandLine {
    std::string record;
    bool silent = false;
    std::optional<std::string> logFile;
    bool currentUser = false;  // /CURRENTUSER: the record is a per-user one
};

// The record is everything after the program's name up to the first argument
// that starts with "/" (without surrounding blanks; one pair of double quotes
// around it is taken off: "My Product" or "/My Product" may be passed quoted).
// When the arguments from there on are not all switches the uninstaller knows,
// each at most once, they belong to the record, as before the switches existed.
UninstallCommandLine ParseUninstallCommandLine(std::string_view commandLine);

// The record alone (a shortcut's arguments name it the same way).
std::string RecordFromCommandLine(std::string_view commandLine);

}  // namespace uninstaller
