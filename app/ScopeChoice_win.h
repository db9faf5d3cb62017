#pragma once
// The choice of whom to install for, in the main window of a product that offers
// both and a setup that has not settled it (no /CURRENTUSER or /ALLUSERS, no
// administrator rights): a toggle of the window's own button kind right of
// Browse, and under it a readout in the ticker's font that names the choice,
// JUST ME (the current user, no administrator rights) or EVERYONE (all users,
// through the system's elevation prompt). The window's other parts stay as
// they are; a window without the choice makes none of this.
//
// The toggle is a real button, made here as the window's last control: a click,
// or Space once Tab has given it the focus, sends BN_CLICKED with
// IDC_SCOPE_BUTTON like the other buttons. Tab goes back and forth between it and
// the path field (the window has no tab stops, so the focus it starts with stays
// where it is in every window); the toggle lights while it has the focus.
#include <windows.h>

#include "imaging/MaskedButton_win.h"
#include "install/InstallScope.h"

namespace imaging {
class BitmapFont;
struct WindowGeometry;
}
namespace storage {
class Storage;
}

namespace app {

class ScopeChoice {
public:
    // Makes the toggle in window, skinned from storage and drawn by painter at the
    // window's scale, and shows scope; false (and no toggle) when the control
    // cannot be made.
    bool Create(HWND window, HWND pathField, imaging::BitmapFont& painter, storage::Storage& storage,
                install::InstallScope scope, const imaging::WindowGeometry& geometry);
    bool Exists() const noexcept { return toggle_.Handle() != nullptr; }
    // The toggle skinned and placed at the window's scale (the readout follows
    // the painter's scale by itself); only once the toggle exists.
    void Place(storage::Storage& storage, const imaging::WindowGeometry& geometry);
    // Names scope in the readout; only once the toggle exists.
    void Show(install::InstallScope scope);
    // Tab, seen before the window's own key rules, moves the focus from the
    // toggle to the path field and from anywhere else to the toggle; true when the
    // message was Tab's and is taken.
    bool TakeTab(const MSG& message);
    // True for Space on the toggle, which the window lets through.
    bool TakesSpace(const MSG& message) const noexcept;

private:
    imaging::MaskedButton toggle_;
    HWND pathField_ = nullptr;
    imaging::BitmapFont* painter_ = nullptr;
};

}  // namespace app
