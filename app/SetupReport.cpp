#include "app/SetupReport.h"

namespace app {

void SetupReport::UseLog(framework::RunLog log, std::string_view commandLine) {
    log_ = std::move(log);
    log_.CommandLine(commandLine);
}

void SetupReport::Message(std::string_view text) {
    log_.Write("message", text);
    if (ShowsBoxes() || failed_) return;
    failed_ = true;
    failure_ = std::string(text);
}

int SetupReport::Finish(SetupOutcome outcome) {
    if (failed_) outcome = SetupOutcome::Failed;
    const int exitCode = ExitCodeFor(outcome);
    switch (outcome) {
        case SetupOutcome::Installed:
            log_.Outcome("installed", exitCode);
            break;
        case SetupOutcome::InstalledRestartNeeded:
            log_.Outcome("installed; files in use are replaced when Windows restarts", exitCode);
            break;
        case SetupOutcome::Cancelled:
            log_.Outcome("cancelled", exitCode);
            break;
        case SetupOutcome::Failed:
            log_.Outcome("failed", exitCode, failure_);
            break;
    }
    return exitCode;
}

}  // namespace app
