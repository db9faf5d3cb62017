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

    // The start-up hook; return false to end the program without a message loop,
    // with the exit code given to SetExitCode (0 unless set).
    virtual bool InitInstance() = 0;
    void SetExitCode(int code) noexcept { exitCode = code; }

    // Per-user settings would live under HKEY_CURRENT_USER\Software\<key>\<title>.
    void SetRegistryKey(const std::string& key) { registryKey = key; }
    const std::string& RegistryKey() const noexcept { return registryKey; }

    static Application* Instance() noexcept;

    // What WinMain runs after the process hardening below: InitInstance, then a
    // message loop if InitInstance returned true. Returns the process exit code.
    int Start() noexcept;

private:
    std::string registryKey;
    int exitCode = 0;
};

// Restricts the DLL search path to the system folder, so that a DLL planted
// beside a downloaded program is never loaded, and loads the DLLs the system
// delay-loads by name (the folder chooser's) from there. Where the system cannot
// restrict the search, the current folder is taken out and PreloadSystemLibraries
// runs. The first thing WinMain does.
void HardenDllSearchPath() noexcept;

// Loads, by full path from the system folder, the DLLs that the system's own
// components load by name later, so that those loads find them already loaded.
void PreloadSystemLibraries() noexcept;

// Adds SEM_FAILCRITICALERRORS to the process's error mode: a drive without media
// fails the call instead of showing the system's box. WinMain's second step.
void KeepErrorsInTheProgram() noexcept;

}  // namespace framework
