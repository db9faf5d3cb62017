#include "framework/Dialog_win.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/WideText_win.h"

namespace framework {

namespace {
HWND mainWindow = nullptr;

// Messages whose dialog-procedure return value is the message result itself.
bool ReturnsDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}
}  // namespace

void SetMainWindow(HWND window) noexcept { mainWindow = window; }
HWND MainWindow() noexcept { return mainWindow; }

Dialog::Dialog(int templateId, HWND parent) noexcept : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

INT_PTR Dialog::DoModal() {
    HWND owner = parent_ ? parent_ : MainWindow();
    if (owner && !IsWindow(owner)) owner = nullptr;
    ended_ = false;
    result_ = -1;
    window_ = hidden_ ? CreateHidden(owner)
                      : CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                                           StaticProc, reinterpret_cast<LPARAM>(this));
    createError_ = window_ ? NO_ERROR : GetLastError();
    if (!window_) {
        if (createError_ == NO_ERROR) createError_ = ERROR_CAN_NOT_COMPLETE;
        return -1;
    }

    owner_ = owner;
    reenableOwner_ = owner && IsWindowEnabled(owner);
    if (reenableOwner_) EnableWindow(owner, FALSE);
    if (!ended_ && !hidden_ && !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOW);

    MSG message;
    while (!ended_) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {  // WM_QUIT: hand it back to the next loop and stop
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        // DispatchMessage would call a WM_TIMER's lParam as the timer's function, and
        // any process on the desktop can post one: no timer here has a function.
        if (message.message == WM_TIMER && message.lParam != 0) continue;
        if (PreTranslateMessage(message)) continue;
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    EnableOwner();
    if (owner) SetActiveWindow(owner);
    if (IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    owner_ = nullptr;
    return result_;
}

// The dialog manager shows a dialog whose template has WS_VISIBLE as soon as
// WM_INITDIALOG returns: the dialog is made from a copy of the template without it.
HWND Dialog::CreateHidden(HWND owner) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId_), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = bytes ? SizeofResource(module, found) : 0;
    // An extended template starts with its version 1 and 0xFFFF; its style
    // follows the help id and the extended style. A plain one starts with it.
    constexpr std::size_t kExtendedStyleOffset = 12;
    if (size < kExtendedStyleOffset + sizeof(DWORD)) return nullptr;
    std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD));  // templates are DWORD-aligned
    std::memcpy(copy.data(), bytes, size);
    WORD start[2];
    std::memcpy(start, bytes, sizeof start);
    const std::size_t styleOffset = start[0] == 1 && start[1] == 0xFFFF ? kExtendedStyleOffset : 0;
    DWORD style = 0;
    std::memcpy(&style, reinterpret_cast<const BYTE*>(copy.data()) + styleOffset, sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(reinterpret_cast<BYTE*>(copy.data()) + styleOffset, &style, sizeof style);
    return CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), owner, StaticProc,
                                      reinterpret_cast<LPARAM>(this));
}

// The owner is enabled before the dialog is hidden, as the system's own dialogs
// do: hiding the active dialog while its owner is still disabled sends the
// activation elsewhere, and the next click on the owner only brings it back.
void Dialog::EnableOwner() noexcept {
    if (reenableOwner_ && owner_) EnableWindow(owner_, TRUE);
    reenableOwner_ = false;
}

void Dialog::EndDialog(INT_PTR result) noexcept {
    result_ = result;
    ended_ = true;
    EnableOwner();
    if (window_) ShowWindow(window_, SW_HIDE);
    PostMessageW(window_, WM_NULL, 0, 0);  // wake the loop
}

std::string Dialog::ItemText(int id) const {
    HWND item = Item(id);
    const int length = item ? GetWindowTextLengthW(item) : 0;
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    if (item) GetWindowTextW(item, buffer.data(), length + 1);
    return Utf8Text(buffer.c_str());
}

void Dialog::SetItemText(int id, const std::string& text) const {
    SetDlgItemTextW(window_, id, WideText(text).c_str());
}

void Dialog::ExchangeText(bool save, int controlId, std::string& field) const {
    if (save) {
        field = ItemText(controlId);
    } else {
        SetItemText(controlId, field);
    }
}

bool Dialog::UpdateData(bool save) {
    DoDataExchange(save);
    return true;
}

bool Dialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

std::optional<LRESULT> Dialog::OnMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

bool Dialog::PreTranslateMessage(MSG&) { return false; }

// Centred on the owner (or the work area without one), as the framework places
// templates without an explicit position; then kept inside the work area of the
// owner's monitor, so that the caption never opens above the screen when the
// owner stands at an edge. A dialog larger than the area keeps its top-left corner in.
void Dialog::CenterOnOwner() noexcept {
    RECT dialog{};
    GetWindowRect(window_, &dialog);
    HWND owner = GetWindow(window_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(owner ? owner : window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    }
    const RECT& work = monitor.rcWork;
    RECT area = work;
    if (owner) GetWindowRect(owner, &area);
    const int width = dialog.right - dialog.left;
    const int height = dialog.bottom - dialog.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        RECT before{};
        GetWindowRect(window_, &before);
        UpdateData(false);
        BOOL focusDefault = OnInitDialog();
        // Only a dialog that did not place itself is placed.
        RECT after{};
        GetWindowRect(window_, &after);
        LONG style = GetWindowLongW(window_, GWL_STYLE);
        if (EqualRect(&before, &after) && !(style & (DS_CENTER | DS_ABSALIGN)) && (style & WS_CAPTION)) {
            CenterOnOwner();
        }
        return focusDefault;
    }
    if (auto handled = OnMessage(message, wParam, lParam)) {
        if (ReturnsDirectly(message)) return static_cast<INT_PTR>(*handled);
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, static_cast<LONG_PTR>(*handled));
        return TRUE;
    }
    if (message == WM_COMMAND) {
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK Dialog::StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self) return FALSE;
    return self->Dispatch(message, wParam, lParam);
}

}  // namespace framework
