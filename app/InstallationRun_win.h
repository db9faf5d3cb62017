#pragma once
// What SETUP does: in one pass on the window's thread, check the destination and
// create its folders, check the free space and every payload's data, start the
// uninstall log, stream every payload file out of the container, make the
// shortcuts, install and register the uninstaller, announcing each stage in the
// ticker. On success the window closes; on failure a message box says why, the
// window returns to idle and everything done so far stays in place.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"
#include "storage/NodeStream.h"

namespace app {

class SetupDialog;

class InstallationRun {
public:
    explicit InstallationRun(SetupDialog& window) : window_(window) {}
    void Run();

private:
    // Shows the failure, returns the window to idle; the run then stops.
    void Fail(std::string_view message);
    // What goes into a file: its bytes, sent to the sink in order.
    using FileContent = std::function<storage::StreamResult(storage::ByteSink&)>;
    // Creates (or replaces) the file and writes the content into it; on failure
    // shows the file error and returns false. A file that is a link is not
    // written through.
    bool WriteFile(const std::string& path, const FileContent& content);
    // Opens the folders this run created, from the outermost down, without
    // following links, and keeps them open (so none can be swapped) while the
    // payload is written; on a link shows the file error and returns false.
    bool HoldCreatedFolders();
    // Removes the folders this run created, deepest first, when the run stops
    // before anything was written into them; they are empty.
    void RemoveCreatedFolders();

    SetupDialog& window_;
    std::vector<framework::FileHandle> heldFolders_;
};

}  // namespace app
