// TKUNTOOL.EXE: started as "<Windows folder>\TKUNTOOL.EXE <record>" by the system's
// list of installed programs or by the program group's "Uninstall <record>" shortcut.
#include <windows.h>


#include "framework/Application_win.h"
#include "uninstaller/CommandLine.h"
#include "uninstaller/Uninstaller_win.h"

namespace uninstaller {

class UninstallApp : public framework::Application {
public:
    bool InitInstance() override {
        const std::string record = RecordFromCommandLine(GetCommandLineA());
        MessageBoxPrompt prompt;
        Uninstall(record, prompt, SettingsForThisProgram());
        return false;  // no message loop: the program ends with its last box
    }
};

}  // namespace uninstaller

// The one application object; the framework's WinMain starts it.
static uninstaller::UninstallApp theApp;
