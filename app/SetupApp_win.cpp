#include "app/SetupApp_win.h"

#include <windows.h>

#include "app/ElevatedSetup.h"
#include "app/ScopeDecision.h"
#include "app/SetupCommandLine.h"
#include "app/SetupDialog_win.h"
#include "app/SetupInstanceLock_win.h"
#include "app/SetupReport.h"
#include "framework/CommandLineText.h"
#include "framework/Elevation_win.h"
#include "framework/RunLogFile_win.h"
#include "framework/UserMessages.h"
#include "framework/WideText_win.h"
#include "install/LogFile_win.h"
#include "resources/resource_ids.h"
#include "storage/Storage.h"

namespace app {

namespace {

struct ThisSetup {
    std::string record;
    std::optional<install::ProductScope> scope = install::ProductScope::Machine;
};

// The record this setup installs and whom it installs for, read before the window
// exists. A container or document that cannot be read is reported by the window,
// once, as before: the boxes of this early read are not shown.
ThisSetup ReadThisSetupQuietly() {
    framework::SetMessageSink([](std::string_view, framework::MessageIcon) {});
    storage::Storage storage;
    ThisSetup setup;
    if (storage.Open(IDR_SETUP_STORAGE)) {
        setup.record = RecordOfThisSetup(storage);
        setup.scope = ProductScopeOfThisSetup(storage);
    }
    framework::SetMessageSink({});
    return setup;
}

// Says why setup ends at once: on standard error, and in a box when it may show one.
void Tell(const std::string& text, const SetupReport& report) {
    framework::WriteToStandardError(text);
    if (report.ShowsBoxes()) framework::ShowMessage(text, framework::MessageIcon::Stop);
}

// This setup again, elevated through the system's prompt, for all users (its
// line says so already, or is given /ALLUSERS); its exit code, or 1602 when the
// prompt was refused.
int InstallForAllUsersElevated(const SetupOptions& options, const SetupReport& report) {
    // Started so already, with no administrator rights given: no other is started.
    if (framework::ElevationWasDenied()) {
        Tell("Setup started itself again to install for all users, but the system gave it no administrator "
             "rights. Nothing was installed.",
             report);
        return kExitFailed;
    }
    const std::string line = framework::Utf8Text(GetCommandLineW());
    // First, so that a raw /D= last keeps the rest of the line.
    const std::wstring arguments =
        (options.scope ? L"" : L"/ALLUSERS ") + framework::WideText(framework::ArgumentsOf(line));
    unsigned long error = 0;
    if (const std::optional<unsigned long> exitCode = framework::RunElevatedAndWait(arguments, nullptr, error)) {
        return static_cast<int>(*exitCode);
    }
    if (error == ERROR_CANCELLED) {
        Tell(ElevationRefusedText(), report);
        return kExitCancelled;
    }
    Tell(ElevatedSetupNotStartedText(error), report);
    return kExitFailed;
}

// The report of a setup that may show nothing, for a fatal condition: it ends
// the setup with its text in the log, and 1603.
SetupReport* quietReport = nullptr;

void EndQuietly(const char* text) {
    if (!quietReport) return;
    quietReport->Message(text);
    quietReport->Finish(SetupOutcome::Failed);
}

}  // namespace

bool SetupApp::InitInstance() {
    // Controls draw in three dimensions by themselves on every supported system,
    // and the window uses no common controls: nothing to turn on or register.
    // (Importing the common-controls DLL would let a copy planted beside
    // setup.exe load before WinMain: it is not one of the system's known DLLs.)
    SetRegistryKey("Tolvik");

    const ParsedCommandLine command = ParseSetupCommandLine(framework::Utf8Text(GetCommandLineW()));
    if (!command.error.empty()) {
        if (!command.quietRefusal) framework::ShowMessage(BadCommandLineText(command.error), framework::MessageIcon::Stop);
        SetExitCode(kExitBadCommandLine);
        return false;
    }
    if (command.showUsage) {
        framework::ShowMessage(SetupUsageText(), framework::MessageIcon::Information);
        return false;
    }

    const SetupOptions& options = command.options;
    SetupReport report(options.mode);
    if (!report.ShowsBoxes()) {
        quietReport = &report;
        framework::SetFatalSink(EndQuietly, kExitFailed);
    }

    // Whom this run installs for is settled before anything else: a run that
    // starts again elevated, or may not run, has written nothing.
    const ThisSetup setup = ReadThisSetupQuietly();
    if (!setup.scope) {
        Tell("This setup program is damaged: its container names no scope setup knows.", report);
        SetExitCode(kExitFailed);
        return false;
    }
    const ScopeDecision decision = DecideScope(*setup.scope, options.scope, framework::IsElevatedProcess(),
                                               options.mode == SetupMode::Interactive);
    if (decision.action == ScopeDecision::Action::Refuse) {
        Tell(decision.message, report);
        SetExitCode(decision.exitCode);
        return false;
    }
    if (decision.action == ScopeDecision::Action::Elevate) {
        SetExitCode(InstallForAllUsersElevated(options, report));
        return false;
    }

    // Nothing is written, the log included, before the record's lock is held: the
    // setup that holds it may be writing to the same log file.
    SetupInstanceLock lock;
    const std::string& record = setup.record;
    if (!record.empty()) {
        unsigned long error = 0;
        const SetupInstanceLock::Taking taking = lock.Take(record, decision.scope, error);
        if (taking != SetupInstanceLock::Taking::Held) {
            // Not holding the lock is never taken for nobody holding it. A second
            // setup of a running one ends at once without a box; one that could
            // not tell says why.
            const bool elsewhere = taking == SetupInstanceLock::Taking::HeldElsewhere;
            const std::string text = elsewhere ? AlreadyRunningText() : LockNotTakenText(error);
            framework::WriteToStandardError(text);
            if (!elsewhere && report.ShowsBoxes()) framework::ShowMessage(text, framework::MessageIcon::Stop);
            SetExitCode(elsewhere ? kExitAlreadyRunning : kExitFailed);
            return false;
        }
    }

    framework::RunLogFile logFile;
    if (options.logFile) {
        install::LogFileOpening opened = install::OpenLogFile(*options.logFile);
        if (!opened.file) {
            // Nothing is installed when the log asked for cannot be kept; a log path
            // that is refused is a bad argument.
            framework::WriteToStandardError(opened.reason);
            if (report.ShowsBoxes()) framework::ShowMessage(opened.reason, framework::MessageIcon::Stop);
            SetExitCode(opened.refused ? kExitBadCommandLine : kExitFailed);
            return false;
        }
        logFile.Use(std::move(opened.file));
        report.UseLog(logFile.MakeLog(), options.commandLine);
    }
    // A setup that may show no box sends what the framework would show to the log.
    if (!report.ShowsBoxes()) {
        framework::SetMessageSink([&report](std::string_view text, framework::MessageIcon) { report.Message(text); });
    }

    SetupDialog dialog(options, report);  // becomes the main window when its window is created
    dialog.UseScope(decision.scope, decision.action == ScopeDecision::Action::ChooseInWindow);
    const INT_PTR result = dialog.DoModal();
    if (dialog.CreateError() != NO_ERROR) {
        // No window, so nothing else says why: a run without a desktop, for one,
        // where a box cannot be shown either and standard error is all there is.
        const std::string text = WindowNotCreatedText(dialog.CreateError());
        report.Message(text);
        Tell(text, report);
    }
    framework::SetMainWindow(nullptr);
    // Installed elevated in this setup's place: the elevated setup's exit code, its end logged by the window.
    SetExitCode(result == kEndElevatedSetup ? dialog.ElevatedExitCode() : report.Finish(OutcomeOfWindow(result)));
    framework::SetMessageSink({});
    framework::SetFatalSink(nullptr, 0);
    quietReport = nullptr;
    return false;  // no message loop of our own: the program ends here
}

}  // namespace app

// The one application object, constructed during static initialisation.
static app::SetupApp theApp;
