// A stand-in for a DLL an attacker leaves in the download folder, copied there
// under the names the tests try. Loaded into a process, it leaves
// "<its own path>.loaded" beside itself and ends the process at once, so that a
// program that loads it can neither go on nor hide it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char marker[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcpyA(marker + length, ".loaded");
        HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    ExitProcess(86);
}

// What a program importing the common-controls DLL takes from it, so that such a
// program binds to the stand-in and runs its DllMain rather than failing to start.
extern "C" __declspec(dllexport) void InitCommonControls() {}
extern "C" __declspec(dllexport) BOOL SetWindowSubclass(HWND, void*, UINT_PTR, DWORD_PTR) { return FALSE; }
extern "C" __declspec(dllexport) BOOL RemoveWindowSubclass(HWND, void*, UINT_PTR) { return FALSE; }
extern "C" __declspec(dllexport) LRESULT DefSubclassProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
