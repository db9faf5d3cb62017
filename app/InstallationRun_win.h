#pragma once
// What SETUP does: in one pass on a thread of its own, check the destination and
// create its folders, check the free space, write every payload file out of the
// container (checked as it is decoded), start the uninstall log, make the
// shortcuts, install and register the uninstaller, announcing each stage in the
// ticker. On success the window closes; on failure a message box says why and the
// window returns to idle. A failure up to the last payload file leaves nothing
// behind; once the log is begun, everything done so far stays in place (and listed). It reaches the window only through SetupDialog's
// calls that run on the window's thread (ShowStatus, StopTicker, ShowIdleStatus,
// OnWindowThread, EndDialog), so the window keeps painting and answering.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"
#include "install/HeldFolders_win.h"

namespace app {

class SetupDialog;

class InstallationRun {
public:
    explicit InstallationRun(SetupDialog& window) : window_(window) {}
    void Run();

private:
    // Shows the failure, returns the window to idle and releases it: the run then
    // returns at once, without touching the window again. Where no box may show
    // (/S, /PASSIVE) the failure goes to the log and setup ends with kEndFailed.
    void Fail(std::string_view message);
    // The run's log (/LOG=): stages, folders, files, shortcuts, registry values.
    framework::RunLog& Log();
    // Creates (or replaces) the file and writes bytes into it; on failure shows
    // the file error and returns false. A file that is a link is not written through.
    bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);
    // Shows text in the ticker once the text before it has stayed its wait, and
    // keeps text for at least wait ms: the work done while a text shows counts
    // toward its wait, so a long step is not followed by a pause as well. A hidden
    // window (/S) shows nothing, and waits for nothing. The ticker is drawn again
    // only for a new text: many files of a large product share one percentage.
    void ShowPaced(std::string_view text, unsigned wait);
    // Waits out what is left of the shown text's wait.
    void HoldStatus();
    // Removes the folders this run created, deepest first, when the run stops
    // before anything was written into them; they are empty.
    void RemoveCreatedFolders();

    SetupDialog& window_;
    // Every folder the run works in, from the drive's root down, held until it ends.
    install::HeldFolders held_;
    std::string statusText_;                // the text the run last put in the ticker
    unsigned long long statusShownAt_ = 0;  // GetTickCount64 when the ticker's text was shown
    unsigned statusWait_ = 0;               // how long that text stays at least
};

}  // namespace app
