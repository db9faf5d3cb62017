// Measures how fast a GUI program's window comes up and what the program holds in
// memory once it has, from inside the same Wine session (scripts/measure.sh):
//
//   startup_meter TITLE PROGRAM [ARGUMENTS]
//       starts PROGRAM, waits until a visible top-level window titled TITLE of that
//       process exists and the process waits for input with nothing left to paint,
//       and answers a message sent to the window; then, after a short settling
//       pause, reads the process's memory counters and ends it. Prints one line:
//         window_ms=... ready_ms=... cpu_ms=... peak_working_set=... working_set=...
//       (times from just before CreateProcess; cpu_ms the processor time the
//       process had used when ready; sizes in bytes). Exit 1 when the
//       window does not appear within 60 seconds.
//
//   startup_meter --idle-window TITLE
//       the baseline: a plain window titled TITLE in a program that loads the same
//       system libraries as the setup program, doing nothing else.
//
// Under Wine the memory counters of another process come from Linux's
// /proc/PID/status (VmHWM, VmRSS); Wine reports no private memory for it, so
// scripts/measure.sh reads the anonymous part from /proc itself.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct WindowSearch {
    const char* title;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (std::string(text) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

std::string Quoted(const char* argument) { return std::string("\"") + argument + "\""; }

int Measure(const char* title, int argc, char** argv) {
    std::string commandLine = Quoted(argv[0]);
    for (int i = 1; i < argc; ++i) commandLine += " " + Quoted(argv[i]);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "startup_meter: cannot start %s (error %lu)\n", argv[0], GetLastError());
        return 1;
    }

    WindowSearch search{title, process.dwProcessId, nullptr};
    while (!search.found && MillisecondsSince(start) < 60000) {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(1);
    }
    if (!search.found) {
        std::fprintf(stderr, "startup_meter: no window \"%s\" within 60 s\n", title);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return 1;
    }
    const double windowMs = MillisecondsSince(start);
    // Waiting for input with nothing left to paint, and answering the window.
    WaitForInputIdle(process.hProcess, 30000);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &answer);
    const double readyMs = MillisecondsSince(start);
    // The processor time the program took to get there, its own and the system's
    // on its behalf: what a loaded machine's scheduler does not add to.
    FILETIME created{}, ended{}, kernel{}, user{};
    GetProcessTimes(process.hProcess, &created, &ended, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    const double cpuMs = static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns ticks

    Sleep(500);  // timers and late paints settle
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);

    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::printf("window_ms=%.1f ready_ms=%.1f cpu_ms=%.1f peak_working_set=%llu working_set=%llu\n", windowMs,
                readyMs, cpuMs, static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                static_cast<unsigned long long>(memory.WorkingSetSize));
    return 0;
}

LRESULT CALLBACK IdleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int IdleWindow(const char* title) {
    // Functions of the other libraries the setup program imports, so that the
    // loader maps them into the baseline too; neither is called.
    const void* volatile imported = reinterpret_cast<const void*>(&SHGetMalloc);
    imported = reinterpret_cast<const void*>(&CoInitialize);
    imported = reinterpret_cast<const void*>(&GetStockObject);
    (void)imported;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = IdleWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "StartupMeterIdle";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, windowClass.lpszClassName, title, WS_POPUP | WS_VISIBLE, 100, 100, 450, 207, nullptr, nullptr,
                    windowClass.hInstance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--idle-window") return IdleWindow(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_meter TITLE PROGRAM [ARGUMENTS] | startup_meter --idle-window TITLE\n");
        return 2;
    }
    return Measure(argv[1], argc - 2, argv + 2);
}
