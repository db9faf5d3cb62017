#pragma once
// What SETUP does: in one pass on a thread of its own, check the destination and
// create its folders, check the free space and every payload's data, start the uninstall log, stream every
// payload file out of the container, make the shortcuts, install and register the
// uninstaller, announcing each stage in the ticker. On success the window closes;
// on failure a message box says why, the window returns to idle and everything
// done so far stays in place. It reaches the window only through SetupDialog's
// calls that run on the window's thread (ShowStatus, StopTicker, ShowIdleStatus,
// OnWindowThread, EndDialog), so the window keeps painting and answering.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"
#include "install/HeldFolders_win.h"
#include "storage/NodeStream.h"

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
    // What goes into a file: its bytes, sent to the sink in order.
    using FileContent = std::function<storage::StreamResult(storage::ByteSink&)>;
    // Creates (or replaces) the file and writes the content into it; on failure
    // shows the file error and returns false. A file that is a link is not written through.
    bool WriteFile(const std::string& path, const FileContent& content);
    // Writes the content into the open file (path names it in a message) and
    // closes it; on failure shows the file error and returns false.
    bool WriteBytes(framework::FileHandle file, const std::string& path, const FileContent& content);
    // Removes the folders this run created, deepest first, when the run stops
    // before anything was written into them; they are empty.
    void RemoveCreatedFolders();

    SetupDialog& window_;
    // Every folder the run works in, from the drive's root down, held until it ends.
    install::HeldFolders held_;
};

}  // namespace app
