// TKUNTOOL.EXE: started as "<Windows folder>\TKUNTOOL.EXE <record>" by the system's
// list of installed programs or by the program group's "Uninstall <record>" shortcut.
#include <windows.h>

#include <cstdlib>

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

#if defined(__GLIBCXX__)
// The library's default terminate handler writes the uncaught exception's
// demangled type to a console this windowed program does not have; its demangler
// and formatted printing would be a quarter of the program, which every setup.exe
// carries. The framework's start-up catches every exception, so this handler is
// only reached on a broken invariant, and then it ends the process.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
