#pragma once
// setup.exe's command line, for deployment tools that start it without a person:
//   /S             silent: no window, no message box
//   /PASSIVE       the window shows the run's progress, starts by itself, takes no input
//   /CURRENTUSER   install for the current user only (no administrator rights)
//   /ALLUSERS      install for all users (administrator rights)
//   /D=PATH        the destination; last, unquoted, the rest of the line (blanks
//                  allowed); or quoted whole, as any switch
//   /DIR=PATH      the destination
//   /LOG=FILE      a plain UTF-8 log of the run
//   /CLOSEAPPLICATIONS  unattended: programs that hold the product's files are
//                  closed (Restart Manager) and started again after the run
//   /NORESTART     accepted for deployment tools: setup never restarts Windows itself
//   /?             the usage, in a message box
// The line is split into arguments as the system splits it (CommandLineToArgvW);
// a switch may be quoted whole ("/DIR=C:\A B") or have its value quoted
// (/DIR="C:\A B"). Switches are case-insensitive. With no arguments setup behaves
// as it always has. Exit codes as MSI defines them, so that deployment tools
// read them unconfigured.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "install/InstallScope.h"

namespace app {

inline constexpr int kExitInstalled = 0;
inline constexpr int kExitBadCommandLine = 87;      // ERROR_INVALID_PARAMETER
inline constexpr int kExitCancelled = 1602;         // ERROR_INSTALL_USEREXIT
inline constexpr int kExitFailed = 1603;            // ERROR_INSTALL_FAILURE
inline constexpr int kExitAlreadyRunning = 1618;    // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr int kExitRestartNeeded = 3010;     // ERROR_SUCCESS_REBOOT_REQUIRED

enum class SetupMode { Interactive, Passive, Silent };

// What the command line asks of this run; the main window and the run read it.
struct SetupOptions {
    SetupMode mode = SetupMode::Interactive;
    std::optional<std::string> destination;  // /D= or /DIR=: put into the path field, checked as typed
    std::optional<std::string> logFile;      // /LOG=
    // /CURRENTUSER (User) or /ALLUSERS (Machine); nothing when neither is given.
    // Whether the product offers the scope asked for is not the command line's to say.
    std::optional<install::InstallScope> scope;
    // /CLOSEAPPLICATIONS: a run that may ask no one (/S, /PASSIVE) closes the programs
    // that hold files it replaces, and starts them again at its end.
    bool closeApplications = false;
    // /NORESTART: nothing changes, as setup never restarts Windows; a restart that
    // is needed is only told by the exit code 3010.
    bool noRestart = false;
    std::string commandLine;                 // the whole line, for the log
};

struct ParsedCommandLine {
    SetupOptions options;
    bool showUsage = false;  // /?: the usage and nothing else
    // Empty when the line is good; else what is wrong with it, for the box.
    std::string error;
    // /S stands somewhere on the line: a bad line is then refused with no box either.
    bool quietRefusal = false;
};

ParsedCommandLine ParseSetupCommandLine(std::string_view commandLine);

// The text of the usage box (/?) and of the box for a bad command line.
std::string SetupUsageText();
std::string BadCommandLineText(std::string_view error);
// Why a setup ended at once: another setup of the product holds its lock, or
// the lock could not be taken (the system's error code).
std::string AlreadyRunningText();
std::string LockNotTakenText(unsigned long error);
// Why a setup ended at once: its window could not be created (the system's error code).
std::string WindowNotCreatedText(unsigned long error);

// How setup ended, and its exit code. The main window's modal result tells it:
// kEndInstalled after a complete run, kEndInstalledRestartNeeded after a complete
// run that left a file in use to be replaced when Windows next starts (exit code
// 3010), IDCANCEL (2) when the user closed the window, kEndFailed when a run that
// may show no box (/S, /PASSIVE) stopped, kEndElevatedSetup when the setup
// started again with administrator rights installed in its place (setup then
// ends with that setup's exit code, which the window keeps).
enum class SetupOutcome { Installed, InstalledRestartNeeded, Cancelled, Failed };
inline constexpr long long kEndInstalled = 0;
inline constexpr long long kEndCancelled = 2;                // IDCANCEL
inline constexpr long long kEndFailed = 3;                   // IDABORT
inline constexpr long long kEndInstalledRestartNeeded = 10;  // no dialog result of the system's
inline constexpr long long kEndElevatedSetup = 11;           // nor this
SetupOutcome OutcomeOfWindow(long long modalResult);
int ExitCodeFor(SetupOutcome outcome);

// The name of the lock file that one setup of a record holds from its start to
// its end: "Tolvik.Setup.<hash>.lock", the hash (64-bit FNV-1a, in hexadecimal)
// taken over the record in lower case (registry keys ignore case) with "/" for
// "\" (the record's name rule takes both as the same separator), so that every
// spelling of one record names one file, of any length, with no character a
// file name may not hold.
std::string SetupLockFileName(std::string_view record);

}  // namespace app
