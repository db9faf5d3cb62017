#include "imaging/MaskedButton_win.h"

#include <utility>

#include "framework/UserMessages.h"
#include "imaging/BackgroundSet_win.h"

namespace imaging {

MaskedButton::~MaskedButton() {
    // The BackgroundSet must not paint this button's picture once it is gone.
    if (background_) background_->RemoveOverlay(controlId_);
    if (Handle()) KillTimer(Handle(), kHoverTimer);
}

bool MaskedButton::LoadSkin(BackgroundSet& background, storage::Storage& storage, std::string_view kind,
                            int percent) {
    if (!Handle()) return false;
    ButtonSkin loaded;
    const SkinResult result = LoadButtonSkin(storage, kind, loaded, percent);
    if (result != SkinResult::Ok) {
        framework::ShowMessage(SkinResultText(result), framework::MessageIcon::Exclamation);
        return false;
    }
    const bool newSize = !stateImage_ || loaded.cellWidth != skin_.cellWidth || loaded.cellHeight != skin_.cellHeight;
    if (newSize) {
        storage::HeapBlock picture = storage::AllocateBlock(loaded.CellBytes());
        if (!picture) framework::FatalOutOfMemory();
        stateImage_ = std::move(picture);
    }
    skin_ = std::move(loaded);

    // A button moved to another painter leaves no stale overlay behind.
    if (background_ && background_ != &background) background_->RemoveOverlay(controlId_);
    background_ = &background;
    controlId_ = GetDlgCtrlID(Handle());

    RECT place{};
    GetWindowRect(Handle(), &place);
    MapWindowPoints(nullptr, GetParent(Handle()), reinterpret_cast<POINT*>(&place), 2);
    background.SetOverlay(controlId_,
                          Rect{place.left, place.top, place.left + skin_.cellWidth, place.top + skin_.cellHeight},
                          stateImage_.get(), skin_.cellWidth);
    UpdateStateImage(false);
    return true;
}

void MaskedButton::MoveTo(int x, int y) {
    if (!Handle()) return;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
    if (background_ && stateImage_) {
        background_->SetOverlay(controlId_, Rect{x, y, x + skin_.cellWidth, y + skin_.cellHeight}, stateImage_.get(),
                                skin_.cellWidth);
    } else {
        flags |= SWP_NOSIZE;
    }
    SetWindowPos(Handle(), nullptr, x, y, skin_.cellWidth, skin_.cellHeight, flags);
}

void MaskedButton::UpdateStateImage(bool repaint) {
    if (!skin_.strip || !stateImage_) return;
    CopyStatePicture(skin_, state_, stateImage_.get());
    if (repaint && background_) background_->RepaintOverlay(controlId_);
}

bool MaskedButton::IsCursorOver() const noexcept {
    POINT cursor{};
    return Handle() && GetCursorPos(&cursor) && WindowFromPoint(cursor) == Handle();
}

ButtonState MaskedButton::RestingState() const noexcept {
    return IsCursorOver() || (showsFocus_ && focused_) ? ButtonState::Hover : ButtonState::Normal;
}

void MaskedButton::ChangeState(ButtonState state) {
    state_ = state;
    UpdateStateImage(true);
}

LRESULT MaskedButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return TRUE;  // the window's own background shows through
        case WM_MOUSEMOVE: OnMouseMove(); break;
        case WM_TIMER: OnTimer(wParam); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: OnLeftButtonDown(); break;
        case WM_LBUTTONUP: OnLeftButtonUp(); break;
        // The press ends without a button-up when the capture goes elsewhere (a
        // message box opening while the button is held, Alt+Tab) or the system
        // cancels modes; otherwise pressed would stay and every later hover show Pressed.
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != Handle()) OnPressLost();
            break;
        case WM_CANCELMODE: OnPressLost(); break;
        case WM_SETFOCUS: OnFocusChanged(true); break;
        case WM_KILLFOCUS: OnFocusChanged(false); break;
        default: break;
    }
    // The standard button keeps its capture, click and BN_CLICKED behaviour.
    return DefaultProc(message, wParam, lParam);
}

void MaskedButton::OnPaint() noexcept {
    PAINTSTRUCT paint{};
    if (BeginPaint(Handle(), &paint)) EndPaint(Handle(), &paint);
}

void MaskedButton::OnMouseMove() {
    if (state_ != ButtonState::Normal || !IsCursorOver()) return;
    ChangeState(pressed_ ? ButtonState::Pressed : ButtonState::Hover);
    KillTimer(Handle(), kHoverTimer);
    SetTimer(Handle(), kHoverTimer, kHoverTimerPeriod, nullptr);
}

void MaskedButton::OnTimer(UINT_PTR id) {
    // While the cursor stays over the button the timer keeps running.
    if (id != kHoverTimer || IsCursorOver()) return;
    ChangeState(RestingState());
    KillTimer(Handle(), kHoverTimer);
}

void MaskedButton::OnLeftButtonDown() {
    ChangeState(ButtonState::Pressed);
    pressed_ = true;
}

void MaskedButton::OnLeftButtonUp() {
    pressed_ = false;
    ChangeState(RestingState());
}

void MaskedButton::OnPressLost() {
    // A normal release has cleared pressed already; its own capture release changes nothing.
    if (pressed_) OnLeftButtonUp();
}

void MaskedButton::OnFocusChanged(bool focused) {
    focused_ = focused;
    if (!showsFocus_ || pressed_) return;
    ChangeState(RestingState());
    // Hover under the cursor ends by the timer, as after a mouse move.
    KillTimer(Handle(), kHoverTimer);
    if (state_ == ButtonState::Hover) SetTimer(Handle(), kHoverTimer, kHoverTimerPeriod, nullptr);
}

}  // namespace imaging
