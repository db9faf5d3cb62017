#pragma once
// A modal dialog made from a dialog template, with the message handling of an
// application framework: `this` is stored at WM_INITDIALOG, messages become
// virtual handlers. The Windows programs are built without exceptions: a failed
// allocation in a handler ends the program with its fatal message (see
// LeanRuntime_win.cpp), so nothing can unwind through the dialog manager.
//
// The modal loop is our own (as in the framework it replaces), so that a dialog
// can filter keyboard messages before the standard dialog-key handling
// (PreTranslateMessage), and so that timers of other windows keep running.
#include <windows.h>

#include <optional>
#include <string>

namespace framework {

// The application's main window: owner of dialogs created without a parent.
void SetMainWindow(HWND window) noexcept;
HWND MainWindow() noexcept;

class Dialog {
public:
    Dialog(int templateId, HWND parent) noexcept;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the dialog, disables its owner and runs the modal loop until
    // EndDialog. Returns the result given to EndDialog, or -1 if the dialog
    // could not be created.
    INT_PTR DoModal();
    // After DoModal: the system's error when the dialog could not be created
    // (ERROR_CAN_NOT_COMPLETE where the system gave none); NO_ERROR otherwise.
    DWORD CreateError() const noexcept { return createError_; }
    void EndDialog(INT_PTR result) noexcept;
    // Before DoModal: the dialog is made and runs as usual but is never shown,
    // not even for a moment (a template's WS_VISIBLE is taken out of its copy).
    void KeepHidden() noexcept { hidden_ = true; }

    HWND Handle() const noexcept { return window_; }
    HWND Item(int id) const noexcept { return GetDlgItem(window_, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;

    // Text exchange with the controls: save = controls to fields, else fields to controls.
    bool UpdateData(bool save);

protected:
    // Called at WM_INITDIALOG after the first UpdateData(false). Return TRUE to let
    // Windows set the focus to the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Binds fields to controls; called by UpdateData.
    virtual void DoDataExchange(bool /*save*/) {}
    // The command handler; the defaults send IDOK to OnOK and IDCANCEL to OnCancel.
    virtual bool OnCommand(int id, int notifyCode, HWND control);
    virtual void OnOK();
    virtual void OnCancel();
    // Every message before the dialog's own handling; return a value to handle it.
    // For most messages the value becomes the dialog's message result.
    virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Every queued message of the modal loop before IsDialogMessage; true = consumed.
    virtual bool PreTranslateMessage(MSG& message);

    // The text exchange helper used inside DoDataExchange.
    void ExchangeText(bool save, int controlId, std::string& field) const;

private:
    static INT_PTR CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateHidden(HWND owner);
    void CenterOnOwner() noexcept;
    void EnableOwner() noexcept;

    int templateId_;
    HWND parent_;
    HWND window_ = nullptr;
    HWND owner_ = nullptr;        // while modal
    bool reenableOwner_ = false;  // the owner was enabled before DoModal disabled it
    bool ended_ = false;
    bool hidden_ = false;
    INT_PTR result_ = -1;
    DWORD createError_ = NO_ERROR;
};

}  // namespace framework
