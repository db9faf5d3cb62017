#pragma once
// Takes over the window procedure of an existing control (a button of a dialog
// template, say), turning its messages into a virtual WindowProc. Messages not
// handled go on to the control's own procedure through DefaultProc.
#include <windows.h>

namespace framework {

class SubclassedWindow {
public:
    SubclassedWindow() noexcept = default;
    virtual ~SubclassedWindow();
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    // Subclasses the control; false if it is already attached or window is invalid.
    bool Attach(HWND window) noexcept;
    void Detach() noexcept;
    HWND Handle() const noexcept { return window_; }

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    HWND window_ = nullptr;
    WNDPROC previousProc_ = nullptr;  // the control's own procedure
};

}  // namespace framework
