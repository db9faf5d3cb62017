#include "app/SetupApp_win.h"

#include <commctrl.h>

#include "app/SetupDialog_win.h"

namespace app {

bool SetupApp::InitInstance() {
    // Controls draw in three dimensions by themselves on every supported system;
    // registering the common control classes is all that is left of that step.
    InitCommonControls();
    SetRegistryKey("Tolvik");

    SetupDialog dialog;  // becomes the main window when its window is created
    dialog.DoModal();
    framework::SetMainWindow(nullptr);
    return false;  // no message loop of our own: the program ends here
}

}  // namespace app

// The one application object, constructed during static initialisation.
static app::SetupApp theApp;
