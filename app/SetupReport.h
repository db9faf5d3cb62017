#pragma once
// What one setup tells beyond its window: the log of /LOG= (none without it) and
// how it ended. A setup that may show no box (/S, /PASSIVE) sends every message
// it would show here instead, and the first such message fails it: the message
// is in the log and the setup ends with 1603.
#include <string>
#include <string_view>

#include "app/SetupCommandLine.h"
#include "framework/RunLog.h"

namespace app {

class SetupReport {
public:
    explicit SetupReport(SetupMode mode) : mode_(mode) {}

    // From now on the report writes to log; the command line is its first line.
    void UseLog(framework::RunLog log, std::string_view commandLine);
    framework::RunLog& Log() noexcept { return log_; }

    // True when messages are shown in boxes: an interactive setup.
    bool ShowsBoxes() const noexcept { return mode_ == SetupMode::Interactive; }

    // A message that a box shows, or in a setup that may show no box would show:
    // logged; in a setup that may show no box, it fails the setup.
    void Message(std::string_view text);
    // True once a setup that may show no box met a message.
    bool Failed() const noexcept { return failed_; }

    // The end, as the log's last line; returns the exit code. A setup that met a
    // message ends failed, naming the first one, whatever its window said.
    int Finish(SetupOutcome outcome);

private:
    SetupMode mode_;
    framework::RunLog log_;
    bool failed_ = false;
    std::string failure_;
};

}  // namespace app
