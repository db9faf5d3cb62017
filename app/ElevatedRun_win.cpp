#include "app/ElevatedRun_win.h"

#include <optional>

#include "app/ElevatedSetup.h"
#include "app/InstallSteps.h"
#include "app/RunBox_win.h"
#include "app/SetupDialog_win.h"
#include "framework/Elevation_win.h"
#include "framework/Handles_win.h"
#include "framework/WideText_win.h"
#include "install/PathRules.h"

namespace app {

void ElevatedRun::Run() {
    window_.UpdateData(true);
    const std::string destination = window_.DestinationPath();
    if (!install::NormalizeLocalPath(destination)) {
        BackToChoice(PathRejectedMessage());
        return;
    }
    window_.StopTicker();
    window_.ShowStatus(kElevatedSetupRuns);
    const std::wstring arguments =
        framework::WideText(ElevatedSetupArguments(framework::Utf8Text(GetCommandLineW()), destination));
    // The shell may hand the verb to its extensions, which need COM on this thread.
    const framework::ComScope com;
    unsigned long error = 0;
    const std::optional<unsigned long> exitCode = framework::RunElevatedAndWait(arguments, window_.Handle(), error);
    if (!exitCode) {
        BackToChoice(error == ERROR_CANCELLED ? ElevationRefusedInWindowText() : ElevatedSetupNotStartedText(error));
        return;
    }
    const int code = static_cast<int>(*exitCode);
    window_.Report().Log().Outcome("ended by the setup with administrator rights", code);
    window_.EndWithElevatedSetup(code);
}

void ElevatedRun::BackToChoice(const std::string& text) {
    window_.Report().Message(text);
    window_.OnWindowThread([&] {
        ShowRunBox(window_.Handle(), text, MB_ICONSTOP);
        window_.ShowIdleStatus();
        window_.ReleaseWindowFromRun();
    });
}

}  // namespace app
