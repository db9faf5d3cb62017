#include "framework/Application_win.h"

#include <new>

#include "framework/UserMessages.h"

namespace framework {

namespace {
Application* instance = nullptr;
}

Application::Application() noexcept { instance = this; }

Application::~Application() {
    if (instance == this) instance = nullptr;
}

Application* Application::Instance() noexcept { return instance; }

void HardenDllSearchPath() noexcept {
    // SetDefaultDllDirectories exists from Windows 7 with KB2533623 on; older
    // systems get SetDllDirectoryA(""), which removes the current folder.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                   reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryA("");
}

int Application::Start() noexcept {
    HardenDllSearchPath();
    try {
        if (!InitInstance()) return 0;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return static_cast<int>(message.wParam);
    } catch (const std::bad_alloc&) {
        FatalOutOfMemory();
    } catch (...) {
        FatalAppExitA(0, "Unexpected error. Aborting...");
    }
    return 1;
}

}  // namespace framework

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    framework::Application* app = framework::Application::Instance();
    return app ? app->Start() : 1;
}
