#include "framework/WindowDpi_win.h"

#include "framework/Handles_win.h"

namespace framework {

namespace {

constexpr int kDefaultDpi = 96;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up in user32 as the process already has it loaded: no library is
// loaded by name. Null on systems before Windows 10 1607.
GetDpiForWindowFunction FindGetDpiForWindow() noexcept {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
}

}  // namespace

int WindowDpi(HWND window) noexcept {
    const GetDpiForWindowFunction getDpiForWindow = FindGetDpiForWindow();
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : kDefaultDpi;
}

HFONT FontForDpi(HFONT font, int fromDpi, int toDpi) noexcept {
    LOGFONTW face{};
    if (!font || fromDpi <= 0 || GetObjectW(font, sizeof face, &face) != sizeof face) return nullptr;
    face.lfHeight = MulDiv(face.lfHeight, toDpi, fromDpi);
    face.lfWidth = MulDiv(face.lfWidth, toDpi, fromDpi);
    return CreateFontIndirectW(&face);
}

}  // namespace framework
