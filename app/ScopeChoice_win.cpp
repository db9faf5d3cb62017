#include "app/ScopeChoice_win.h"

#include "imaging/BitmapFont_win.h"
#include "imaging/WindowGeometry.h"
#include "resources/resource_ids.h"

namespace app {

static_assert(imaging::kScopeToggle.controlId == IDC_SCOPE_BUTTON);

bool ScopeChoice::Create(HWND window, HWND pathField, imaging::BitmapFont& painter, storage::Storage& storage,
                         install::InstallScope scope, const imaging::WindowGeometry& geometry) {
    // Owner-drawn, as the template's buttons: the window paints it from the skin.
    HWND toggle = CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 1, 1, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SCOPE_BUTTON)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (!toggle) return false;
    if (!toggle_.Attach(toggle)) {
        DestroyWindow(toggle);
        return false;
    }
    toggle_.ShowFocus();
    pathField_ = pathField;
    painter_ = &painter;
    Place(storage, geometry);
    Show(scope);
    return true;
}

void ScopeChoice::Place(storage::Storage& storage, const imaging::WindowGeometry& geometry) {
    toggle_.LoadSkin(*painter_, storage, imaging::kMainButtonKind, geometry.percent);
    toggle_.MoveTo(geometry.scopeToggle.x, geometry.scopeToggle.y);
}

void ScopeChoice::Show(install::InstallScope scope) {
    painter_->SetReadout(imaging::kScopeReadout, scope == install::InstallScope::User ? "Just me" : "Everyone");
}

bool ScopeChoice::TakeTab(const MSG& message) {
    if (!Exists() || message.wParam != VK_TAB || (message.message != WM_KEYDOWN && message.message != WM_KEYUP)) {
        return false;
    }
    if (message.message == WM_KEYUP) return true;
    if (GetFocus() != toggle_.Handle()) {
        SetFocus(toggle_.Handle());
        return true;
    }
    // As the dialog manager does for a field the focus comes to by a key.
    SetFocus(pathField_);
    SendMessageW(pathField_, EM_SETSEL, 0, -1);
    return true;
}

bool ScopeChoice::TakesSpace(const MSG& message) const noexcept {
    return Exists() && message.wParam == VK_SPACE && message.hwnd == toggle_.Handle();
}

}  // namespace app
