// What a failing handler does, on a real dialog and a real subclassed button: a
// failed allocation ends the process with "Insf. memory. Aborting..." (seen from
// outside, in a second process, since the process really ends); any other failure
// lets the dialog put itself back in order and run on.
#include <gtest/gtest.h>

#include <windows.h>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "FrameworkTestIds.h"
#include "framework/Dialog_win.h"
#include "framework/SubclassedWindow_win.h"

namespace framework {
namespace {

constexpr char kChildVariable[] = "TOLVIK_FAILING_HANDLER";
constexpr UINT kFailMessage = WM_APP + 1;
constexpr char kDialogTitle[] = "Failing handler";  // the template's caption

// Throws std::bad_alloc when told to: the failed allocation inside a control.
class FailingButton : public SubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kFailMessage) throw std::bad_alloc();
        return SubclassedWindow::WindowProc(message, wParam, lParam);
    }
};

// Fails inside its command handler for the button's command, then is closed.
class FailingDialog : public Dialog {
public:
    enum class Where { CommandOutOfMemory, CommandOther, ControlOutOfMemory };
    static constexpr UINT_PTR kGiveUpTimer = 1;
    static constexpr INT_PTR kGaveUp = 99;
    explicit FailingDialog(Where where) : Dialog(IDD_TEST_DIALOG, nullptr), where_(where) {}
    int recoveries = 0;

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
        if (id == IDC_TEST_BUTTON && where_ == Where::CommandOutOfMemory) throw std::bad_alloc();
        if (id == IDC_TEST_BUTTON) throw std::runtime_error("the handler failed");
        return Dialog::OnCommand(id, notifyCode, control);
    }
    void OnHandlerFailed() override {
        ++recoveries;
        PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // still answering
    }

private:
    Where where_;
    FailingButton button_;
};

// The enumeration callbacks are named CALLBACK functions: a lambda converts only
// to the default calling convention, which on x86 is not the system's stdcall.
struct TextSearch {
    DWORD processId;
    std::string texts;
};

BOOL CALLBACK AppendChildText(HWND child, LPARAM texts) {
    char text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    *reinterpret_cast<std::string*>(texts) += std::string(text) + "\n";
    return TRUE;
}

BOOL CALLBACK CollectWindowTexts(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<TextSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->processId || !IsWindowVisible(window)) return TRUE;
    EnumChildWindows(window, AppendChildText, reinterpret_cast<LPARAM>(&s->texts));
    // Answer any box, so that the process can end.
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    if (std::string(title) != kDialogTitle) PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// The texts of the controls of the visible top-level windows of a process.
std::string WindowTextsOf(DWORD processId) {
    TextSearch search{processId, {}};
    EnumWindows(CollectWindowTexts, reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

struct ChildOutcome {
    std::string shown;  // what its windows showed before it ended
    DWORD exitCode = 0;
    bool ended = false;
};

// Runs this test program again with the child test below doing `where`.
ChildOutcome RunChild(const char* where) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = std::string("\"") + program + "\" --gtest_filter=FailingHandlerChild.*";
    SetEnvironmentVariableA(kChildVariable, where);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    ChildOutcome outcome;
    if (!started) return outcome;
    for (int i = 0; i < 150 && WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT; ++i) {
        const std::string now = WindowTextsOf(process.dwProcessId);
        if (outcome.shown.find(now) == std::string::npos) outcome.shown += now;
    }
    outcome.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    if (!outcome.ended) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}

TEST(FailingHandler, FailedAllocationEndsTheProcessWithTheFatalMessage) {
    for (const char* where : {"command", "control"}) {
        const ChildOutcome child = RunChild(where);
        ASSERT_TRUE(child.ended) << where << ": the process hung; it showed:\n" << child.shown;
        EXPECT_NE(child.shown.find("Insf. memory. Aborting..."), std::string::npos) << where << ":\n" << child.shown;
        EXPECT_NE(child.exitCode, 0u) << where << ": the dialog ran on";
    }
}

TEST(FailingHandler, OtherFailureLetsTheDialogRecoverAndRunOn) {
    FailingDialog dialog(FailingDialog::Where::CommandOther);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.recoveries, 1);
}

// Run only as the child of the test above; it ends the process if all goes right.
TEST(FailingHandlerChild, Run) {
    char where[32] = {};
    if (!GetEnvironmentVariableA(kChildVariable, where, sizeof where)) GTEST_SKIP() << "run by its parent test";
    const bool control = std::string(where) == "control";
    FailingDialog dialog(control ? FailingDialog::Where::ControlOutOfMemory : FailingDialog::Where::CommandOutOfMemory);
    dialog.DoModal();
}

}  // namespace
}  // namespace framework
