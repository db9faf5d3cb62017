#include "framework/SubclassedWindow_win.h"

#include <commctrl.h>

#include <new>

#include "framework/UserMessages.h"

namespace framework {

namespace {
constexpr UINT_PTR kSubclassId = 0x544B;  // any constant unique to this class
}

SubclassedWindow::~SubclassedWindow() { Detach(); }

bool SubclassedWindow::Attach(HWND window) noexcept {
    if (window_ || !window || !IsWindow(window)) return false;
    if (!SetWindowSubclass(window, StaticProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    window_ = window;
    return true;
}

void SubclassedWindow::Detach() noexcept {
    if (window_) {
        RemoveWindowSubclass(window_, StaticProc, kSubclassId);
        window_ = nullptr;
    }
}

LRESULT SubclassedWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT SubclassedWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<SubclassedWindow*>(data);
    if (message == WM_NCDESTROY) {
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (self) self->Detach();
        return result;
    }
    try {
        return self ? self->WindowProc(message, wParam, lParam) : DefSubclassProc(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        FatalOutOfMemory();  // as in a dialog's handlers: the program cannot go on
    } catch (...) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
}

}  // namespace framework
