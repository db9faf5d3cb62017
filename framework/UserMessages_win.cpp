// Windows side of the message layer: real message boxes and the wait cursor.
#include <windows.h>

#include "framework/UserMessages.h"
#include "framework/WideText_win.h"

namespace framework {

std::string ApplicationTitle() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string name = Utf8Text(std::wstring_view(path, n < MAX_PATH ? n : 0));
    if (auto slash = name.find_last_of("\\/:"); slash != std::string::npos) name.erase(0, slash + 1);
    if (auto dot = name.rfind('.'); dot != std::string::npos && dot != 0) name.erase(dot);
    return name;
}

void ShowDefaultMessage(std::string_view text, MessageIcon icon) {
    UINT style = MB_OK;
    switch (icon) {
        case MessageIcon::Error: style |= MB_ICONERROR; break;
        case MessageIcon::Exclamation: style |= MB_ICONEXCLAMATION; break;
        case MessageIcon::Stop: style |= MB_ICONSTOP; break;
        case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
    }
    MessageBoxW(GetActiveWindow(), WideText(text).c_str(), WideText(ApplicationTitle()).c_str(), style);
}

void ShowFatalMessageAndExit(const char* text) {
    FatalAppExitA(0, text);
    ExitProcess(1);  // FatalAppExitA does not return; this keeps [[noreturn]] honest
}

void EndProcess(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

namespace {
int waitDepth = 0;
HCURSOR cursorBeforeWait = nullptr;
}  // namespace

WaitCursor::WaitCursor() {
    if (waitDepth++ == 0) cursorBeforeWait = SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

WaitCursor::~WaitCursor() {
    if (--waitDepth == 0) SetCursor(cursorBeforeWait ? cursorBeforeWait : LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace framework
