#include "framework/Application_win.h"

#include <cstring>

namespace framework {

namespace {
Application* instance = nullptr;
}

Application::Application() noexcept { instance = this; }

Application::~Application() {
    if (instance == this) instance = nullptr;
}

Application* Application::Instance() noexcept { return instance; }

namespace {

// DLLs that the system's own DLLs delay-load by name while our windows run (the
// folder chooser's controls, the theme). Some loaders, Wine's among them, resolve
// delay loads without the restricted search, so these are loaded first, by full
// path; a later load by name then finds them loaded.
constexpr const char* kDelayLoadedBySystem[] = {"comctl32.dll", "uxtheme.dll"};

// DLLs that the system's own components (window frames, sounds, COM, the
// registry's security, the shell) load by name after start-up, none of them one
// of the system's known DLLs.
constexpr const char* kLoadedByNameLater[] = {
    "dwmapi.dll",  "winmm.dll",  "version.dll", "propsys.dll", "userenv.dll", "cryptbase.dll",
    "apphelp.dll", "oleacc.dll", "ntmarta.dll", "profapi.dll",
};

template <std::size_t count>
void LoadFromSystemFolder(const char* const (&names)[count]) noexcept {
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    path[length] = '\\';
    for (const char* name : names) {
        const std::size_t nameLength = std::strlen(name);
        if (length + 1 + nameLength >= MAX_PATH) continue;
        std::memcpy(path + length + 1, name, nameLength + 1);
        // Kept for the life of the process; its own imports are looked up beside it first.
        LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

}  // namespace

void PreloadSystemLibraries() noexcept {
    LoadFromSystemFolder(kDelayLoadedBySystem);
    LoadFromSystemFolder(kLoadedByNameLater);
}

void HardenDllSearchPath() noexcept {
    // SetDefaultDllDirectories exists from Windows 7 with KB2533623 on, and is
    // looked up because older systems lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                   reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        LoadFromSystemFolder(kDelayLoadedBySystem);
        return;
    }
    // Without it only the current folder can be taken out of the search; the
    // program's own folder still comes first for a DLL loaded by name. Loading
    // those the system loads by name later, now and by full path, closes that.
    SetDllDirectoryA("");
    PreloadSystemLibraries();
}

void KeepErrorsInTheProgram() noexcept {
    // A drive without media (an empty card reader, an optical drive) would show
    // the system's "no disk" box before our own message; the flags already set
    // (by whoever started us) stay.
    const UINT inherited = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(inherited | SEM_FAILCRITICALERRORS);
}

int Application::Start() noexcept {
    if (!InitInstance()) return exitCode;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace framework

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything else can load a DLL by name: the programs import only the
    // system's known DLLs, so nothing from the folder beside them ran before this.
    framework::HardenDllSearchPath();
    framework::KeepErrorsInTheProgram();
    framework::Application* app = framework::Application::Instance();
    return app ? app->Start() : 1;
}
