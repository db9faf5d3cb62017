// The failing program of DialogFailureWinTest, built as the shipped programs are
// (no exceptions, the programs' own runtime): its dialog's handler, or its
// subclassed button's, fails as the command line says ("command", "control": a
// failed allocation; "fault": substr past the end). It should never get as far
// as returning from the dialog.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "FrameworkTestIds.h"
#include "framework/Application_win.h"
#include "framework/Dialog_win.h"
#include "framework/SubclassedWindow_win.h"

namespace {

constexpr UINT kFailMessage = WM_APP + 1;

// A container asked for more memory than a process can have.
std::size_t AllocateTooMuch() {
    std::vector<char> block(std::numeric_limits<std::ptrdiff_t>::max() - 16);
    return block.size();
}

// A fault of the program that the C++ runtime detects.
std::size_t TakePastTheEnd() { return std::string("abc").substr(5).size(); }

// Allocates too much when told to: the failed allocation inside a control.
class FailingButton : public framework::SubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kFailMessage) return static_cast<LRESULT>(AllocateTooMuch());
        return framework::SubclassedWindow::WindowProc(message, wParam, lParam);
    }
};

// Fails inside its command handler for the button's command.
class FailingDialog : public framework::Dialog {
public:
    enum class Where { CommandOutOfMemory, CommandFault, ControlOutOfMemory };
    static constexpr UINT_PTR kGiveUpTimer = 1;
    static constexpr INT_PTR kGaveUp = 99;
    explicit FailingDialog(Where where) : Dialog(IDD_TEST_DIALOG, nullptr), where_(where) {}

protected:
    BOOL OnInitDialog() override {
        button_.Attach(Item(IDC_TEST_BUTTON));
        if (where_ == Where::ControlOutOfMemory) {
            PostMessageA(Item(IDC_TEST_BUTTON), kFailMessage, 0, 0);
        } else {
            PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED), 0);
        }
        SetTimer(Handle(), kGiveUpTimer, 10000, nullptr);  // a dialog that never recovers ends here
        return TRUE;
    }
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_TIMER && wParam == kGiveUpTimer) EndDialog(kGaveUp);
        return std::nullopt;
    }
    bool OnCommand(int id, int notifyCode, HWND control) override {
        if (id == IDC_TEST_BUTTON && where_ == Where::CommandOutOfMemory) return AllocateTooMuch() != 0;
        if (id == IDC_TEST_BUTTON) return TakePastTheEnd() != 0;
        return framework::Dialog::OnCommand(id, notifyCode, control);
    }

private:
    Where where_;
    FailingButton button_;
};

// The framework's WinMain starts it, as it starts the shipped programs; ending
// normally (exit code 0) means the failure let the program run on.
class FailingHandlerApp : public framework::Application {
public:
    bool InitInstance() override {
        const std::string where = __argc > 1 ? __argv[1] : "";
        FailingDialog dialog(where == "control" ? FailingDialog::Where::ControlOutOfMemory
                             : where == "fault" ? FailingDialog::Where::CommandFault
                                                : FailingDialog::Where::CommandOutOfMemory);
        dialog.DoModal();
        return false;
    }
};

FailingHandlerApp theApp;

}  // namespace
