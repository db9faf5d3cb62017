#include "app/SetupApp_win.h"

#include <windows.h>

#include "app/SetupCommandLine.h"
#include "app/SetupDialog_win.h"
#include "app/SetupInstanceLock_win.h"
#include "framework/UserMessages.h"
#include "framework/WideText_win.h"
#include "resources/resource_ids.h"
#include "storage/Storage.h"

namespace app {

namespace {

// The record this setup installs, read before the window exists. A container or
// document that cannot be read is reported by the window, once, as before: the
// boxes of this early read are not shown.
std::string ReadRecordQuietly() {
    framework::SetMessageSink([](std::string_view, framework::MessageIcon) {});
    storage::Storage storage;
    std::string record = storage.Open(IDR_SETUP_STORAGE) ? RecordOfThisSetup(storage) : std::string();
    framework::SetMessageSink({});
    return record;
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

    SetupInstanceLock lock;
    const std::string record = ReadRecordQuietly();
    if (!record.empty() && !lock.Take(record)) {
        SetExitCode(kExitAlreadyRunning);
        return false;
    }

    SetupDialog dialog(command.options);  // becomes the main window when its window is created
    const INT_PTR result = dialog.DoModal();
    framework::SetMainWindow(nullptr);
    SetExitCode(ExitCodeFor(OutcomeOfWindow(result)));
    return false;  // no message loop of our own: the program ends here
}

}  // namespace app

// The one application object, constructed during static initialisation.
static app::SetupApp theApp;
