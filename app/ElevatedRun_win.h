#pragma once
// What SETUP does for EVERYONE in a window without administrator rights, on the
// run's thread as an installation run: this setup again, elevated through the
// system's prompt (owned by the window), with the arguments of ElevatedSetup.h,
// and waited for while the window shows that it waits and takes no input (it
// still paints and may be dragged). Once the elevated setup has ended, the window
// ends with kEndElevatedSetup and this setup with that setup's exit code. A path
// the run would refuse is refused before the prompt. A prompt that was refused or
// could not be shown is said in a box, and the window is idle again, the choice
// still offered.
#include <string>

namespace app {

class SetupDialog;

class ElevatedRun {
public:
    explicit ElevatedRun(SetupDialog& window) : window_(window) {}
    void Run();

private:
    // Says text in a box and returns the window to idle, as a failed run does.
    void BackToChoice(const std::string& text);

    SetupDialog& window_;
};

}  // namespace app
