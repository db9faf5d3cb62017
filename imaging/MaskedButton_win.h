#pragma once
// MaskedButton: a real push button of a dialog (owner-drawn, so it never draws
// itself) that shows a skinned picture per state: Normal, Hover (the cursor is
// over it) and Pressed. The button paints nothing: its current picture is an
// overlay of the window's BackgroundSet, which the window paints into its own
// background; a state change asks the BackgroundSet to repaint the button's
// rectangle. Clicks, capture and BN_CLICKED stay the standard button's.
//
// States (every change copies the state's picture and repaints, even when the
// state stays the same):
//   Normal  -- mouse move, cursor over it --> Hover (Pressed while the left
//              button is held), and the 50 ms timer 1 starts
//   any     -- left button down or double click --> Pressed
//   any     -- left button up, or the capture lost while pressed (WM_CAPTURECHANGED,
//              WM_CANCELMODE) --> Hover if the cursor is over it, else Normal
//   any     -- timer 1 finds the cursor elsewhere --> Normal, timer stopped
// A button that shows its focus (ShowFocus) rests in Hover instead of Normal
// while it has the keyboard focus, from a click or given by its window; getting
// or losing the focus while not pressed moves it to its rest.
//
// Use (the main window, once the painter's buffers exist):
//   button.Attach(GetDlgItem(window, id));          // framework::SubclassedWindow
//   button.LoadSkin(painter, storage, "PushButton", percent);
//   button.MoveTo(x, y);                            // size comes from the skin
// The controls carry BS_OWNERDRAW, so the window gets WM_DRAWITEM for them and
// must draw nothing (the default dialog handling does nothing).
#include <windows.h>

#include <cstddef>
#include <string_view>

#include "framework/SubclassedWindow_win.h"
#include "imaging/ButtonSkin.h"
#include "imaging/ScaledArt.h"
#include "storage/HeapBlock.h"

namespace storage {
class Storage;
}

namespace imaging {

class BackgroundSet;

class MaskedButton : public framework::SubclassedWindow {
public:
    static constexpr UINT_PTR kHoverTimer = 1;
    static constexpr UINT kHoverTimerPeriod = 50;  // milliseconds

    MaskedButton() noexcept = default;
    ~MaskedButton() override;

    // Reads the skin of `kind` made for the window's scale `percent` (ButtonSkin.h)
    // and registers the button's overlay with background at the control's current
    // place. A skin that cannot be read or does not hold together shows "Error in
    // Storage..." (or "Error Opening From Storage..." for a strip without bytes)
    // and returns false; the button then keeps whatever skin it had (none at
    // first: the background shows and the control still takes clicks). A later
    // call with other cell sizes gets a new state picture. Ends the process with
    // "Insf. memory. Aborting..." if the picture cannot be had. The button must be
    // attached first.
    bool LoadSkin(BackgroundSet& background, storage::Storage& storage, std::string_view kind,
                  int percent = kBaseScale);

    // Moves the control's top-left corner to (x, y) of the parent's client area,
    // sizes it to the skin's cell (keeping its size when no skin has loaded), moves
    // the overlay along, and repaints nothing.
    void MoveTo(int x, int y);

    // Copies the current state's picture into the state picture; with repaint the
    // BackgroundSet shows it at once.
    void UpdateStateImage(bool repaint);

    // From now on the keyboard focus shows as the hover picture (see above).
    void ShowFocus() noexcept { showsFocus_ = true; }

    // The window under the cursor is this button.
    bool IsCursorOver() const noexcept;

    ButtonState GetState() const noexcept { return state_; }
    bool IsPressed() const noexcept { return pressed_; }
    bool HasSkin() const noexcept { return stateImage_ != nullptr; }
    const ButtonSkin& Skin() const noexcept { return skin_; }
    // The current picture (red, green, blue, T; cellWidth x cellHeight; rows from the top).
    const std::uint8_t* StateImage() const noexcept { return stateImage_.get(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint() noexcept;
    void OnMouseMove();
    void OnTimer(UINT_PTR id);
    void OnLeftButtonDown();
    void OnLeftButtonUp();
    void OnPressLost();
    void OnFocusChanged(bool focused);
    // Hover while the cursor is over the button or it shows its focus, else Normal.
    ButtonState RestingState() const noexcept;
    void ChangeState(ButtonState state);

    storage::HeapBlock stateImage_;
    bool pressed_ = false;
    bool showsFocus_ = false;
    bool focused_ = false;
    ButtonState state_ = ButtonState::Normal;
    ButtonSkin skin_;
    BackgroundSet* background_ = nullptr;
    int controlId_ = 0;
};

}  // namespace imaging
