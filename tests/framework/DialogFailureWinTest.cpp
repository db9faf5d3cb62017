// What a failing handler does, on a real dialog and a real subclassed button in
// a program built as the shipped ones are (failing_handler.exe): a failed
// allocation ends the process with "Insf. memory. Aborting...", and a fault the
// C++ runtime would raise (substr past the end) with "Unexpected error.
// Aborting...". Both are seen from outside, since the process really ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace framework {
namespace {

constexpr char kDialogTitle[] = "Failing handler";  // the child's dialog caption

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

// Runs the failing program with its handler failing at `where`.
ChildOutcome RunChild(const char* where) {
    std::string commandLine = std::string("\"") + TOLVIK_FAILING_HANDLER + "\" " + where;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
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

TEST(FailingHandler, FailureEndsTheProcessWithTheFatalMessage) {
    const struct {
        const char* where;
        const char* text;
    } cases[] = {{"command", "Insf. memory. Aborting..."},
                 {"control", "Insf. memory. Aborting..."},
                 {"fault", "Unexpected error. Aborting..."}};
    for (const auto& c : cases) {
        const ChildOutcome child = RunChild(c.where);
        ASSERT_TRUE(child.ended) << c.where << ": the process hung; it showed:\n" << child.shown;
        EXPECT_NE(child.shown.find(c.text), std::string::npos) << c.where << ":\n" << child.shown;
        EXPECT_NE(child.exitCode, 0u) << c.where << ": the dialog ran on";
    }
}

}  // namespace
}  // namespace framework
