#pragma once
// The application object: one global instance, whose InitInstance is the
// program's start-up hook. WinMain (in this layer) hands control to it.
#include <windows.h>

#include <string>

namespace framework {

class Application {
public:
    Application() noexcept;
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up hook; return false to end the program without a message loop.
    virtual bool InitInstance() = 0;

    // Per-user settings would live under HKEY_CURRENT_USER\Software\<key>\<title>.
    void SetRegistryKey(const std::string& key) { registryKey = key; }
    const std::string& RegistryKey() const noexcept { return registryKey; }

    static Application* Instance() noexcept;

    // What WinMain runs: DLL-search hardening, InitInstance, then a message loop
    // if InitInstance returned true. Returns the process exit code.
    int Start() noexcept;

private:
    std::string registryKey;
};

// Restricts the DLL search path to the system folder, so that a DLL planted
// beside a downloaded program is never loaded.
void HardenDllSearchPath() noexcept;

}  // namespace framework
