#pragma once
// Administrator rights: whether this process has them, and this program started
// again with them through the system's elevation prompt (the only way a program
// without them may get them).
#include <windows.h>

#include <optional>
#include <string_view>

namespace framework {

// True when this process runs with an elevated token.
bool IsElevatedProcess();

// Starts this program's own file again, elevated, with arguments, and waits for
// it to end; its exit code. Nothing when it did not start: error is then the
// system's error code, ERROR_CANCELLED when the user refused the prompt. owner
// is the window the prompt belongs to (may be null).
std::optional<unsigned long> RunElevatedAndWait(std::wstring_view arguments, HWND owner, unsigned long& error);

// True when this process was started by RunElevatedAndWait and is not elevated:
// the system started it without administrator rights (one without the prompt
// does, Wine among them), and asking again would start yet another.
bool ElevationWasDenied();

}  // namespace framework
