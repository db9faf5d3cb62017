#pragma once
// What SETUP does, in one pass on a thread of its own: check the destination and
// the free space, note in the record's trusted copy everything the run is about
// to make, install the uninstaller and its entry, make the folders, write every
// payload file out of the container (checked as it is decoded) beside the file it
// replaces and then put each in place, remove what an earlier version had and
// this one has not, write the uninstall log, make the shortcuts and mark the run
// complete, announcing each stage in the ticker. On success the window closes; on
// failure a message box says why and the window returns to idle. A failure before
// the files are put in place takes back what the run made (an earlier version
// stays whole); a run ended at any instant leaves a record that covers all it made,
// so that running setup again completes it and the uninstall removes it. It
// reaches the window only through SetupDialog's calls that run on the window's
// thread (ShowStatus, StopTicker, ShowIdleStatus, OnWindowThread, EndDialog), so
// the window keeps painting and answering.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"
#include "app/PayloadFiles_win.h"
#include "install/HeldFolders_win.h"
#include "install/RestartManager_win.h"
#include "install/UninstallRecord.h"

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
    // Creates (or replaces) the file and writes bytes into it; the message for
    // the failure, or empty. A file that is a link is not written through.
    std::string WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);
    // What a run that fails before its files are in place takes back.
    struct Undoing {
        bool earlierRecord = false;      // the record had a trusted copy before this run
        bool earlierIncomplete = false;  // ... of a run that did not complete
        bool entryWritten = false;       // this run wrote the uninstall entry
        std::string uninstallerPath;
        bool uninstallerMade = false;    // this run wrote the uninstaller where none was
    };
    // Writes the uninstaller program into the Windows folder unless a newer one is
    // there; the message for the failure, or empty.
    std::string WriteUninstaller(Undoing& undoing);
    // Asks the Restart Manager which running programs hold the payload's files; in
    // the window the user may close them, let setup close them or cancel (false:
    // the run has failed); /CLOSEAPPLICATIONS closes them without a box.
    bool AskAboutHoldingPrograms(install::RestartManagerSession& programs, const PayloadFiles& payload,
                                 std::size_t entryCount);
    // Removes what the failed run made, and takes back its record when nothing of
    // any attempt stays: an earlier record is complete again, a first one goes.
    void Undo(install::UninstallRecord& record, const Undoing& undoing);
    // Shows text in the ticker once the text before it has stayed its wait, and
    // keeps text for at least wait ms: the work done while a text shows counts
    // toward its wait, so a long step is not followed by a pause as well. A hidden
    // window (/S) shows nothing, and waits for nothing. The ticker is drawn again
    // only for a new text: many files of a large product share one percentage.
    void ShowPaced(std::string_view text, unsigned wait);
    // Waits out what is left of the shown text's wait.
    void HoldStatus();
    // Removes the folders this run created, deepest first, when the run stops
    // before anything was written into them; they are empty. One that stays
    // stays listed for the next attempt.
    void RemoveCreatedFolders();

    SetupDialog& window_;
    // Every folder the run works in, from the drive's root down, held until it ends.
    install::HeldFolders held_;
    std::string statusText_;                // the text the run last put in the ticker
    unsigned long long statusShownAt_ = 0;  // GetTickCount64 when the ticker's text was shown
    unsigned statusWait_ = 0;               // how long that text stays at least
};

}  // namespace app
