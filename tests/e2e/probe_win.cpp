// A small test driver that runs inside the same Wine session as the program under
// test: it waits for top-level windows, reads the texts of their controls (a message
// box's text is not visible to X tools) and sets field texts or presses buttons.
//
//   probe wait TITLE [SECONDS]          exit 0 when a visible window with that title exists
//   probe gone TITLE [SECONDS]          exit 0 when no window with that title is left
//   probe texts TITLE                   print the window's text and its controls' texts, one per line
//   probe set-text TITLE ID TEXT        WM_SETTEXT to control ID of the window
//   probe get-text TITLE ID             print control ID's text, byte for byte (no line break added)
//   probe set-utf8 TITLE ID TEXT        WM_SETTEXT of TEXT taken from the Unicode command line
//   probe get-utf8 TITLE ID             control ID's text as UTF-8 (no line break added)
//   probe press TITLE ID                BM_CLICK on control ID (a message box's OK is IDOK = 1)
//   probe double-click TITLE ID         the mouse messages of a double click, posted to control ID
//   probe rect TITLE                    print "x y width height" of the client area in screen pixels
//   probe control-rect TITLE ID         the same for control ID's client area
//   probe dpi TITLE                     print the DPI the system gives the window (0 where it cannot say)
//   probe text-fit TITLE ID             how single-line edit ID (focused) lays out its text in its own font:
//                                       "X H WIDTH HEIGHT", the text's right end with the field scrolled to its
//                                       start, the caret's (a line's) height, and the client area's size; the
//                                       caret is left at the start
//   probe frame TITLE                   print "left top right bottom" of the whole window, and of its
//                                       monitor's work area, in screen pixels
//   probe dpi-changed TITLE DPI         send WM_DPICHANGED for DPI, as the system does when the window
//                                       goes to a monitor of that DPI (Wine has one screen); the
//                                       suggested rectangle, 50 pixels right of and below the window,
//                                       lies in the probe's memory, which the window cannot read
//   probe list                          print the titles of the visible top-level windows
//   probe visible                       print "handle title" of each visible top-level window
//   probe run COMMAND-LINE              start the command line, wait for it, print its exit code (all
//                                       32 bits: Wine's own exit status keeps only the low 8)
//   probe run-limited COMMAND-LINE      the same with the limited token linked to the probe's elevated
//                                       one, as UAC gives an administrator's programs: not elevated
//   probe backdrop SECONDS              a screen-sized magenta window, to show what lies beneath others
//   probe hold FILE SECONDS             open FILE for writing without sharing, print "held", keep it open;
//                                       a folder of FILE that does not exist yet is waited for
//   probe answers TITLE SECONDS         until the window is gone (at most SECONDS), send it WM_NULL with a
//                                       100 ms timeout every 10 ms; print how many it answered, how many it
//                                       missed (and when) and the longest answer; exit 0 when it answered
//                                       some and never missed twice in a row (a lone miss is a loaded
//                                       machine's scheduler; a busy window misses every message it gets)
//   probe junk TITLE SECONDS            what any process on the desktop can post: until SECONDS have passed
//                                       or the window is gone, rounds of WM_APP..WM_APP+0x40 with random
//                                       wParam and lParam, with 0 and 0, and WM_APP+1 with wParam at
//                                       addresses that hold no function, WM_TIMER naming such an address as
//                                       its function, WM_DPICHANGED (96 DPI) whose rectangle is such an
//                                       address; over the first rounds, every
//                                       message of WM_APP..0xBFFF with random parameters. After each round a
//                                       WM_NULL must be answered within 5 s. Prints what it posted;
//                                       exit 0 when the window answered every round
#include <windows.h>

#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The enumeration callbacks are named CALLBACK functions: a lambda converts only
// to the default calling convention, which on x86 is not the system's stdcall.
struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchVisibleTitle(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<Search*>(data);
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    if (IsWindowVisible(window) && std::string(text) == s->title) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisibleWindow(const char* title) {
    Search search{title, nullptr};
    EnumWindows(MatchVisibleTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// WM_GETTEXT, not GetWindowText: for another process's control the latter gives
// only the text the control was created with.
std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return "";
    std::vector<char> text(static_cast<size_t>(length) + 2, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return text.data();
}

BOOL CALLBACK PrintVisibleTitle(HWND window, LPARAM) {
    if (IsWindowVisible(window)) std::printf("%s\n", WindowText(window).c_str());
    return TRUE;
}

BOOL CALLBACK PrintVisibleHandle(HWND window, LPARAM) {
    if (IsWindowVisible(window)) {
        std::printf("%llx %s\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                    WindowText(window).c_str());
    }
    return TRUE;
}

BOOL CALLBACK PrintText(HWND child, LPARAM) {
    std::printf("%s\n", WindowText(child).c_str());
    return TRUE;
}

HWND WaitFor(const char* title, double seconds) {
    for (double waited = 0; waited <= seconds; waited += 0.1) {
        if (HWND window = FindVisibleWindow(title)) return window;
        Sleep(100);
    }
    return nullptr;
}

// Rounds of junk in the private message range (see "probe junk").
int PostJunk(HWND window, double seconds) {
    unsigned long long state = GetTickCount() | 1ull;
    std::printf("random start %llu\n", state);
    auto random = [&state] {  // xorshift64: any bits will do
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    // Not a function anywhere: a page of the executable's headers, a kernel
    // address, an odd address in nowhere.
    const UINT_PTR notCode[] = {sizeof(void*) == 8 ? 0x140000000ull : 0x400000u, static_cast<UINT_PTR>(~0ull << 12),
                                0xdeadbeefu};
    unsigned posted = 0, rounds = 0, unanswered = 0;
    auto post = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (PostMessageA(window, message, wParam, lParam)) ++posted;
    };
    auto answers = [&] {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) return true;
        if (!IsWindow(window)) return false;  // ended: the caller's loop stops, and the script judges that
        ++unanswered;
        return false;
    };
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    UINT sweep = WM_APP;  // the whole range once, 256 messages a round
    while ((GetTickCount() < end || sweep <= 0xBFFF) && IsWindow(window)) {
        for (const UINT last = sweep + 0xFF; sweep <= last && sweep <= 0xBFFF; ++sweep) {
            post(sweep, static_cast<WPARAM>(random()), static_cast<LPARAM>(random()));
        }
        for (UINT message = WM_APP; message <= WM_APP + 0x40; ++message) {
            post(message, static_cast<WPARAM>(random()), static_cast<LPARAM>(random()));
            post(message, 0, 0);
        }
        for (UINT_PTR address : notCode) {
            post(WM_APP + 1, address, 0);
            post(WM_APP + 1, address, static_cast<LPARAM>(random()));
            // DispatchMessage calls a WM_TIMER's lParam as the timer's function.
            post(WM_TIMER, 1, static_cast<LPARAM>(address));
        }
        // The system sends WM_DPICHANGED with the address of a rectangle; posted,
        // its lParam is no one's (96 DPI: the window at 100 % stays as it is).
        post(WM_DPICHANGED, MAKEWPARAM(96, 96), static_cast<LPARAM>(notCode[rounds % std::size(notCode)]));
        ++rounds;
        if (!answers()) break;
        Sleep(20);
    }
    std::printf("posted %u messages in %u rounds, %u WM_NULL unanswered\n", posted, rounds, unanswered);
    return unanswered == 0 && rounds > 0 ? 0 : 1;
}

// "x y width height" of the window's client area in screen pixels.
int PrintClientRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, client.right - client.left, client.bottom - client.top);
    return 0;
}

// Waits for the started process and prints its exit code.
int PrintExitCode(PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%lu\n", code);
    return 0;
}

// The command line (the probe's second argument, from the Unicode command line)
// started with the limited token that the system links to this process's
// elevated one, made a primary token (Wine gives every process such a pair).
int RunLimited() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring commandLine = wide && count >= 3 ? wide[2] : L"";
    LocalFree(wide);
    HANDLE token = nullptr, limited = nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ||
        !GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size) ||
        !DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                          &limited)) {
        std::fprintf(stderr, "probe: no limited token (error %lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(linked.LinkedToken);
    CloseHandle(token);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessAsUserW(limited, nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                              nullptr, nullptr, &startup, &process);
    const DWORD error = GetLastError();
    CloseHandle(limited);
    if (!started) {
        std::fprintf(stderr, "probe: cannot start the command line limited (error %lu)\n", error);
        return 1;
    }
    return PrintExitCode(process);
}

int Usage() {
    std::fprintf(stderr, "usage: probe wait|gone|texts|set-text|get-text|press|rect|frame TITLE ... | probe backdrop|hold ...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Every size and position is read in the screen's own pixels: a program that
    // does not declare itself DPI aware is given them scaled to 96 DPI.
    SetProcessDPIAware();
    if (argc == 2 && std::string(argv[1]) == "list") {
        EnumWindows(PrintVisibleTitle, 0);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "run") {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string commandLine = argv[2];
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", argv[2], GetLastError());
            return 1;
        }
        return PrintExitCode(process);
    }
    if (argc == 3 && std::string(argv[1]) == "run-limited") return RunLimited();
    if (argc == 2 && std::string(argv[1]) == "visible") {
        EnumWindows(PrintVisibleHandle, 0);
        return 0;
    }
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "backdrop") {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
        windowClass.lpszClassName = "ProbeBackdrop";
        RegisterClassA(&windowClass);
        CreateWindowExA(0, "ProbeBackdrop", "Backdrop", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, windowClass.hInstance, nullptr);
        const DWORD end = GetTickCount() + static_cast<DWORD>(std::atof(argv[2]) * 1000);
        MSG message;
        while (GetTickCount() < end) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            Sleep(20);
        }
        return 0;
    }
    if (command == "hold") {
        const DWORD seconds = static_cast<DWORD>((argc > 3 ? std::atof(argv[3]) : 60.0) * 1000);
        // Polled often: setup creates the folder and writes its first file a second later.
        HANDLE file = INVALID_HANDLE_VALUE;
        for (DWORD waited = 0; waited <= seconds; waited += 5) {
            file = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PATH_NOT_FOUND) break;
            Sleep(5);
        }
        if (file == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(seconds);
        CloseHandle(file);
        return 0;
    }
    const char* title = argv[2];
    const double seconds = argc > 3 ? std::atof(argv[3]) : 30.0;

    if (command == "wait") return WaitFor(title, seconds) ? 0 : 1;
    if (command == "answers") {
        HWND window = WaitFor(title, 10.0);
        if (!window) {
            std::fprintf(stderr, "probe: no window titled \"%s\"\n", title);
            return 1;
        }
        constexpr UINT kAnswerWithin = 100;  // milliseconds
        unsigned answered = 0, missed = 0, inRow = 0, mostInRow = 0;
        DWORD longest = 0;
        std::string misses;  // when each miss began, in ms from the first message
        const DWORD begin = GetTickCount();
        const DWORD end = begin + static_cast<DWORD>(seconds * 1000);
        while (GetTickCount() < end && IsWindow(window) && IsWindowVisible(window)) {
            const DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            SetLastError(NO_ERROR);
            if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerWithin, &result)) {
                ++answered;
                inRow = 0;
                if (GetTickCount() - start > longest) longest = GetTickCount() - start;
            } else if (GetLastError() == ERROR_TIMEOUT) {
                ++missed;
                if (++inRow > mostInRow) mostInRow = inRow;
                misses += " " + std::to_string(start - begin);
            }
            Sleep(10);
        }
        std::printf("answered %u, missed %u (at most %u in a row), longest %lu ms%s%s\n", answered, missed, mostInRow,
                    static_cast<unsigned long>(longest), misses.empty() ? "" : "; missed at (ms)", misses.c_str());
        return answered > 0 && mostInRow < 2 ? 0 : 1;
    }
    if (command == "junk") {
        HWND window = WaitFor(title, 10.0);
        if (!window) {
            std::fprintf(stderr, "probe: no window titled \"%s\"\n", title);
            return 1;
        }
        return PostJunk(window, seconds);
    }
    if (command == "gone") {
        for (double waited = 0; waited <= seconds; waited += 0.1) {
            if (!FindVisibleWindow(title)) return 0;
            Sleep(100);
        }
        return 1;
    }

    HWND window = WaitFor(title, 10.0);
    if (!window) {
        std::fprintf(stderr, "probe: no window titled \"%s\"\n", title);
        return 1;
    }
    if (command == "texts") {
        std::printf("%s\n", WindowText(window).c_str());
        EnumChildWindows(window, PrintText, 0);
        return 0;
    }
    if (command == "rect") return PrintClientRect(window);
    if (command == "dpi") {
        // GetDpiForWindow is Windows 10's; the headers for Windows 7 do not declare it.
        using GetDpi = UINT(WINAPI*)(HWND);
        const auto getDpi = reinterpret_cast<GetDpi>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
        std::printf("%u\n", getDpi ? getDpi(window) : 0u);
        return 0;
    }
    if (command == "frame") {
        RECT frame{};
        GetWindowRect(window, &frame);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        std::printf("%ld %ld %ld %ld %ld %ld %ld %ld\n", frame.left, frame.top, frame.right, frame.bottom, work.left,
                    work.top, work.right, work.bottom);
        return 0;
    }
    if (command == "dpi-changed" && argc >= 4) {
        const int dpi = std::atoi(argv[3]);
        RECT suggested{};
        GetWindowRect(window, &suggested);
        OffsetRect(&suggested, 50, 50);
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        return 0;
    }
    if (argc < 4) return Usage();
    HWND control = GetDlgItem(window, std::atoi(argv[3]));
    if (!control) {
        std::fprintf(stderr, "probe: no control %s in \"%s\"\n", argv[3], title);
        return 1;
    }
    if (command == "control-rect") return PrintClientRect(control);
    if (command == "text-fit") {
        // The caret after the last character, then at the start: its x there
        // less the last character's gives that character's width, and the text's
        // right end where the field is scrolled to its start, as the user sees it.
        const auto end = static_cast<WPARAM>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0));
        const auto xOf = [control](WPARAM index) {
            return static_cast<short>(LOWORD(SendMessageA(control, EM_POSFROMCHAR, index, 0)));
        };
        SendMessageA(control, EM_SETSEL, end, end);
        SendMessageA(control, EM_SCROLLCARET, 0, 0);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &thread);
        if (thread.hwndCaret != control || end == 0) {
            std::fprintf(stderr, "probe: control %s has no focus or no text\n", argv[3]);
            return 1;
        }
        const long lastWidth = thread.rcCaret.left - xOf(end - 1);
        SendMessageA(control, EM_SETSEL, 0, 0);
        SendMessageA(control, EM_SCROLLCARET, 0, 0);
        RECT client{};
        GetClientRect(control, &client);
        std::printf("%ld %ld %ld %ld\n", xOf(end - 1) + lastWidth, thread.rcCaret.bottom - thread.rcCaret.top,
                    client.right, client.bottom);
        return 0;
    }
    if (command == "set-text" && argc >= 5) return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
    if (command == "set-utf8" && argc >= 5) {
        // The ANSI argv has lost what the code page cannot hold; the wide command line has not.
        int count = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
        const bool sent = wide && count >= 5 && SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide[4]));
        LocalFree(wide);
        return sent ? 0 : 1;
    }
    if (command == "get-utf8") {
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return 1;
        std::wstring text(static_cast<size_t>(length) + 2, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                            5000, &copied);
        text.resize(copied);
        std::string utf8(text.size() * 4, '\0');
        const int bytes = text.empty() ? 0
                                       : WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                             utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                                             nullptr);
        _setmode(_fileno(stdout), _O_BINARY);
        std::fwrite(utf8.data(), 1, static_cast<size_t>(bytes), stdout);
        return 0;
    }
    if (command == "get-text") {
        // Binary, so that the runtime turns no line feed into CR LF.
        _setmode(_fileno(stdout), _O_BINARY);
        const std::string text = WindowText(control);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == "press") {
        PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "double-click") {
        // Posted in one go, as the system queues them: the program sees the second
        // press while it still handles the first click.
        const LPARAM inside = MAKELPARAM(10, 10);
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
            PostMessageA(control, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, inside);
        }
        return 0;
    }
    return Usage();
}
