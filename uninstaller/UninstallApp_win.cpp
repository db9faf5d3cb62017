// TKUNTOOL.EXE: started as "<Windows folder>\TKUNTOOL.EXE <record>" by the system's
// list of installed programs or by the program group's "Uninstall <record>" shortcut,
// and as "... <record> /S" by the entry's quiet command (deployment tools); a
// current user's product starts its own copy, "<folder>\TKUNTOOL.EXE <record>
// /CURRENTUSER". Started without administrator rights for a machine's record, it
// starts itself again elevated and ends as that run does.
// Exit codes as MSI's: 0 removed, 3010 removed but for files in use that go when
// Windows restarts, 1602 the user said No or refused the elevation prompt, 1603
// something stays or nothing was done (no such record, or a current user's record
// started elevated), 87 a /LOG= path that is refused (a link on it, or a folder
// users may write).
#include <windows.h>

#include "framework/Application_win.h"
#include "framework/RunLogFile_win.h"
#include "framework/UserMessages.h"
#include "framework/WideText_win.h"
#include "install/LogFile_win.h"
#include "uninstaller/CommandLine.h"
#include "uninstaller/Elevation_win.h"
#include "uninstaller/Uninstaller_win.h"

namespace uninstaller {

namespace {

constexpr int kExitRemoved = 0;
constexpr int kExitBadCommandLine = 87;  // ERROR_INVALID_PARAMETER
constexpr int kExitCancelled = 1602;  // ERROR_INSTALL_USEREXIT
constexpr int kExitFailed = 1603;     // ERROR_INSTALL_FAILURE
constexpr int kExitRestartNeeded = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED

int ExitCodeFor(UninstallResult result) {
    switch (result) {
        case UninstallResult::Removed:
            return kExitRemoved;
        case UninstallResult::RemovedAtRestart:
            return kExitRestartNeeded;
        case UninstallResult::Cancelled:
            return kExitCancelled;
        case UninstallResult::RemovedExcept:
        case UninstallResult::NoRecord:
        case UninstallResult::RecordOnly:
        case UninstallResult::Refused:
            break;
    }
    return kExitFailed;
}

const char* OutcomeName(UninstallResult result) {
    switch (result) {
        case UninstallResult::Removed:
            return "removed";
        case UninstallResult::RemovedAtRestart:
            return "removed; files in use go when Windows restarts";
        case UninstallResult::Cancelled:
            return "cancelled";
        case UninstallResult::RemovedExcept:
            return "removed except what is listed";
        case UninstallResult::NoRecord:
            return "no such installation";
        case UninstallResult::Refused:
            return "refused: a current user's installation is not removed with administrator rights";
        case UninstallResult::RecordOnly:
            break;
    }
    return "only the registry information was removed";
}

// /S: the answer is always Yes, and the report goes only to the log.
class QuietPrompt : public Prompt {
public:
    explicit QuietPrompt(framework::RunLog& log) : log_(log) {}
    bool Confirm(std::string_view) override { return true; }
    void Report(std::string_view text, bool) override { log_.Write("report", text); }

private:
    framework::RunLog& log_;
};

// A box's report also goes to the log, when there is one.
class LoggedBoxPrompt : public MessageBoxPrompt {
public:
    explicit LoggedBoxPrompt(framework::RunLog& log) : log_(log) {}
    void Report(std::string_view text, bool problem) override {
        log_.Write("report", text);
        MessageBoxPrompt::Report(text, problem);
    }

private:
    framework::RunLog& log_;
};

}  // namespace

class UninstallApp : public framework::Application {
public:
    bool InitInstance() override {
        const UninstallCommandLine command = ParseUninstallCommandLine(framework::Utf8Text(GetCommandLineW()));
        // Before the log is opened: the elevated run opens it.
        unsigned long elevatedExitCode = 0;
        switch (RunElevatedWhenNeeded(command, elevatedExitCode)) {
            case ElevatedRun::NotNeeded:
                break;
            case ElevatedRun::Ended:
                SetExitCode(static_cast<int>(elevatedExitCode));
                return false;
            case ElevatedRun::Refused:
                SetExitCode(kExitCancelled);
                return false;
            case ElevatedRun::Failed:
                SetExitCode(kExitFailed);
                return false;
        }
        framework::RunLogFile logFile;
        framework::RunLog log;
        if (command.logFile) {
            install::LogFileOpening opened = install::OpenLogFile(*command.logFile);
            if (!opened.file) {
                // Nothing is removed when the requested log cannot be kept; a log
                // path that is refused is a bad argument.
                framework::WriteToStandardError(opened.reason);
                if (!command.silent) framework::ShowMessage(opened.reason, framework::MessageIcon::Stop);
                SetExitCode(opened.refused ? kExitBadCommandLine : kExitFailed);
                return false;
            }
            logFile.Use(std::move(opened.file));
            log = logFile.MakeLog();
            log.CommandLine(framework::Utf8Text(GetCommandLineW()));
        }
        // A shortcut may start the program in the product's folder, which cannot be
        // removed while it is this process's current folder.
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length > 0 && length < MAX_PATH) SetCurrentDirectoryW(system);
        QuietPrompt quiet(log);
        LoggedBoxPrompt boxes(log);
        Prompt& prompt = command.silent ? static_cast<Prompt&>(quiet) : static_cast<Prompt&>(boxes);
        const install::InstallScope scope =
            command.currentUser ? install::InstallScope::User : install::InstallScope::Machine;
        const UninstallResult result =
            Uninstall(command.record, prompt, SettingsForThisProgram(scope, command.record), scope);
        SetExitCode(ExitCodeFor(result));
        log.Outcome(OutcomeName(result), ExitCodeFor(result));
        return false;  // no message loop: the program ends with its last box
    }
};

}  // namespace uninstaller

// The one application object; the framework's WinMain starts it.
static uninstaller::UninstallApp theApp;
