#pragma once
// The DPI a window is drawn for, and fonts made for it.
#include <windows.h>

namespace framework {

// The window's monitor's DPI where the system tells each window's
// (GetDpiForWindow, Windows 10 1607 and later), else the screen's (LOGPIXELSX,
// the one DPI of older systems); 96 when neither answers.
int WindowDpi(HWND window) noexcept;

// A new font like `font` (face, weight, style) whose height, made for fromDpi,
// is scaled to toDpi, as the system makes a dialog's font for a DPI. Null when
// the font cannot be read or made; the caller deletes it.
HFONT FontForDpi(HFONT font, int fromDpi, int toDpi) noexcept;

}  // namespace framework
