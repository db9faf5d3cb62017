#include "framework/SubclassedWindow_win.h"

namespace framework {

namespace {
// The window property that leads from a control back to its object. The window
// procedure is replaced with user32 alone (no common-controls subclassing), so
// that the programs import nothing outside the system's known DLLs.
constexpr wchar_t kObjectProperty[] = L"Tolvik.SubclassedWindow";

LONG_PTR AsLong(WNDPROC procedure) noexcept { return reinterpret_cast<LONG_PTR>(procedure); }
}  // namespace

SubclassedWindow::~SubclassedWindow() { Detach(); }

bool SubclassedWindow::Attach(HWND window) noexcept {
    if (window_ || !window || !IsWindow(window) || GetPropW(window, kObjectProperty)) return false;
    if (!SetPropW(window, kObjectProperty, this)) return false;
    const LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, AsLong(StaticProc));
    if (!previous) {
        RemovePropW(window, kObjectProperty);
        return false;
    }
    previousProc_ = reinterpret_cast<WNDPROC>(previous);
    window_ = window;
    return true;
}

void SubclassedWindow::Detach() noexcept {
    if (!window_) return;
    // Only while ours is the window's procedure can the one before it be put back.
    if (GetWindowLongPtrW(window_, GWLP_WNDPROC) == AsLong(StaticProc)) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, AsLong(previousProc_));
    }
    RemovePropW(window_, kObjectProperty);
    window_ = nullptr;
}

LRESULT SubclassedWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT SubclassedWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return CallWindowProcW(previousProc_, window_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = static_cast<SubclassedWindow*>(GetPropW(window, kObjectProperty));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The property must go before the window does; the control's own
        // procedure still sees its last message.
        const WNDPROC previous = self->previousProc_;
        self->Detach();
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    return self->WindowProc(message, wParam, lParam);
}

}  // namespace framework
