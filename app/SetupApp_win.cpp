#include "app/SetupApp_win.h"

#include "app/SetupDialog_win.h"

namespace app {

bool SetupApp::InitInstance() {
    // Controls draw in three dimensions by themselves on every supported system,
    // and the window uses no common controls: nothing to turn on or register.
    // (Importing the common-controls DLL would let a copy planted beside
    // setup.exe load before WinMain: it is not one of the system's known DLLs.)
    SetRegistryKey("Tolvik");

    SetupDialog dialog;  // becomes the main window when its window is created
    dialog.DoModal();
    framework::SetMainWindow(nullptr);
    return false;  // no message loop of our own: the program ends here
}

}  // namespace app

// The one application object, constructed during static initialisation.
static app::SetupApp theApp;
