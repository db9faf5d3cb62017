#pragma once
// The box in which SETUP's work tells the user why it stopped: owned by the
// main window and captioned as the run's texts are (kRunTitle).
#include <windows.h>

#include <string_view>

namespace app {

// Shows text with an OK button and icon (MB_ICONSTOP, ...); returns once it is closed.
void ShowRunBox(HWND owner, std::string_view text, UINT icon);

}  // namespace app
