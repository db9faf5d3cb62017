#include "uninstaller/Elevation_win.h"

#include <windows.h>

#include <string>

#include "framework/CommandLineText.h"
#include "framework/Elevation_win.h"
#include "framework/RunLogFile_win.h"
#include "framework/UserMessages.h"
#include "framework/WideText_win.h"
#include "uninstaller/OutcomeReport.h"

namespace uninstaller {

namespace {

ElevatedRun Tell(ElevatedRun run, const std::string& text, bool silent) {
    framework::WriteToStandardError(text);
    if (!silent) framework::ShowMessage(text, framework::MessageIcon::Stop);
    return run;
}

}  // namespace

ElevatedRun RunElevatedWhenNeeded(const UninstallCommandLine& command, unsigned long& exitCode) {
    // Without a record name there is nothing to elevate for: this process says so.
    if (command.currentUser || command.record.empty() || framework::IsElevatedProcess()) return ElevatedRun::NotNeeded;
    if (framework::ElevationWasDenied()) {
        return Tell(ElevatedRun::Failed, ElevationDeniedText(command.record), command.silent);
    }
    unsigned long error = 0;
    // The arguments as this process's command line has them.
    const std::wstring arguments =
        framework::WideText(framework::ArgumentsOf(framework::Utf8Text(GetCommandLineW())));
    if (const auto code = framework::RunElevatedAndWait(arguments, nullptr, error)) {
        exitCode = *code;
        return ElevatedRun::Ended;
    }
    if (error == ERROR_CANCELLED) {
        return Tell(ElevatedRun::Refused, AdministratorRightsNeededText(command.record), command.silent);
    }
    return Tell(ElevatedRun::Failed, ElevationFailedText(command.record, error), command.silent);
}

}  // namespace uninstaller
