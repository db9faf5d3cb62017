#include "install/RestartManager_win.h"

#include <algorithm>

#include "framework/WideText_win.h"

namespace install {

namespace {

// How many files one RmRegisterResources call takes.
constexpr std::size_t kFilesPerCall = 1000;
// How often RmShutdown is asked while some program refuses to close.
constexpr int kShutdownAttempts = 3;
// ERROR_FAIL_SHUTDOWN, which mingw-w64's headers lack: some program did not close.
constexpr DWORD kFailShutdown = 351;
// How often RmGetList is asked again when more programs came meanwhile.
constexpr int kListAttempts = 5;

// The system folder's copy and no other: LOAD_LIBRARY_SEARCH_SYSTEM32 where the
// system knows it (Windows 8, and 7 with KB2533623), else the full path.
HMODULE LoadFromSystemFolder(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const std::wstring_view file(name);
    if (length == 0 || length + 1 + file.size() >= MAX_PATH) return nullptr;
    std::wstring full(path, length);
    full += L'\\';
    full += file;
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

template <typename Function>
Function RestartManagerSession::Find(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
}

RestartManagerSession::RestartManagerSession() : library_(LoadFromSystemFolder(L"rstrtmgr.dll")) {
    if (!library_) {
        error_ = GetLastError();
        return;
    }
    const auto startSession = Find<decltype(&RmStartSession)>("RmStartSession");
    endSession_ = Find<decltype(&RmEndSession)>("RmEndSession");
    registerResources_ = Find<decltype(&RmRegisterResources)>("RmRegisterResources");
    getList_ = Find<decltype(&RmGetList)>("RmGetList");
    shutdown_ = Find<decltype(&RmShutdown)>("RmShutdown");
    restart_ = Find<decltype(&RmRestart)>("RmRestart");
    if (!startSession || !endSession_ || !registerResources_ || !getList_ || !shutdown_ || !restart_) {
        error_ = ERROR_PROC_NOT_FOUND;
        return;
    }
    // RmStartSession may leave the key unterminated: the buffer starts as zeros,
    // one character longer than the key.
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    DWORD handle = 0;
    const DWORD error = startSession(&handle, 0, key);
    if (error != ERROR_SUCCESS) {
        error_ = error;
        return;
    }
    session_ = handle;
}

RestartManagerSession::~RestartManagerSession() {
    if (session_) endSession_(*session_);
}

bool RestartManagerSession::Failed(DWORD error) {
    if (session_) endSession_(*session_);
    session_.reset();
    error_ = error;
    return false;
}

bool RestartManagerSession::RegisterFiles(const std::vector<std::string>& paths) {
    if (!session_) return false;
    for (std::size_t first = 0; first < paths.size(); first += kFilesPerCall) {
        const std::size_t count = std::min(kFilesPerCall, paths.size() - first);
        std::vector<std::wstring> wide;
        std::vector<LPCWSTR> names;
        wide.reserve(count);
        names.reserve(count);
        for (std::size_t i = first; i < first + count; ++i) {
            wide.push_back(framework::WideText(paths[i]));
            names.push_back(wide.back().c_str());
        }
        const DWORD error =
            registerResources_(*session_, static_cast<UINT>(count), names.data(), 0, nullptr, 0, nullptr);
        if (error != ERROR_SUCCESS) return Failed(error);
    }
    return true;
}

std::optional<HoldingProgramList> RestartManagerSession::HoldingPrograms() {
    if (!session_) return std::nullopt;
    std::vector<RM_PROCESS_INFO> found;
    UINT needed = 0;
    UINT count = 0;
    DWORD reasons = RmRebootReasonNone;
    DWORD error = ERROR_MORE_DATA;
    // More programs may open the files between two calls: asked again with room for them.
    for (int attempt = 0; attempt < kListAttempts && error == ERROR_MORE_DATA; ++attempt) {
        found.resize(needed);
        count = needed;
        error = getList_(*session_, &needed, &count, found.empty() ? nullptr : found.data(), &reasons);
    }
    if (error != ERROR_SUCCESS) {
        Failed(error);
        return std::nullopt;
    }
    HoldingProgramList list;
    list.restartOnly = reasons != RmRebootReasonNone;
    for (UINT i = 0; i < count && i < found.size(); ++i) list.names.push_back(framework::Utf8Text(found[i].strAppName));
    return list;
}

bool RestartManagerSession::CloseHoldingPrograms() {
    if (!session_) return false;
    DWORD error = kFailShutdown;
    for (int attempt = 0; attempt < kShutdownAttempts && error == kFailShutdown; ++attempt) {
        if (attempt > 0) Sleep(500);
        error = shutdown_(*session_, 0, nullptr);
    }
    if (error != kFailShutdown) return error == ERROR_SUCCESS || Failed(error);
    // Some closed: the session stays, so that they can be started again.
    error_ = error;
    return false;
}

bool RestartManagerSession::RestartClosedPrograms() {
    if (!session_) return false;
    const DWORD error = restart_(*session_, 0, nullptr);
    return error == ERROR_SUCCESS || Failed(error);
}

}  // namespace install
