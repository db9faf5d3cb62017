#include "framework/Elevation_win.h"

#include <shellapi.h>

#include <string>

#include "framework/Handles_win.h"

namespace framework {

namespace {

// Set in the environment the program started elevated inherits, where the system
// passes it on (a system that elevates through its prompt gives a fresh one).
constexpr wchar_t kStartedElevated[] = L"TOLVIK_STARTED_ELEVATED";

}  // namespace

bool IsElevatedProcess() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const FileHandle owner(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

std::optional<unsigned long> RunElevatedAndWait(std::wstring_view arguments, HWND owner, unsigned long& error) {
    // The program's own file by its full path, as the loader mapped it: never a name the search could find elsewhere.
    std::wstring self(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (length == 0) {
            error = GetLastError();
            return std::nullopt;
        }
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        if (self.size() >= 32768) {
            error = ERROR_FILENAME_EXCED_RANGE;
            return std::nullopt;
        }
        self.resize(self.size() * 2);
    }
    const std::wstring parameters(arguments);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = owner;
    execute.lpVerb = L"runas";
    execute.lpFile = self.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    SetEnvironmentVariableW(kStartedElevated, L"1");
    const BOOL started = ShellExecuteExW(&execute);
    const DWORD startError = GetLastError();
    SetEnvironmentVariableW(kStartedElevated, nullptr);
    if (!started) {
        error = startError;
        return std::nullopt;
    }
    if (!execute.hProcess) {
        error = ERROR_INVALID_HANDLE;
        return std::nullopt;
    }
    const FileHandle process(execute.hProcess);
    DWORD exitCode = 0;
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &exitCode)) {
        error = GetLastError();
        return std::nullopt;
    }
    return exitCode;
}

bool ElevationWasDenied() {
    return GetEnvironmentVariableW(kStartedElevated, nullptr, 0) != 0 && !IsElevatedProcess();
}

}  // namespace framework
