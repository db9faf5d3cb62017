// What WinMain does before anything else, tried on this test's own process: the
// DLL search restricted to the system folder (a DLL beside the program is no
// longer found by name), the fallback's preloading, and the error mode.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/Application_win.h"

namespace framework {
namespace {

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length < MAX_PATH ? length : 0);
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

bool StartsWithFolded(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                                                          static_cast<int>(prefix.size()), prefix.c_str(),
                                                          static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

TEST(ProcessHardening, ADllBesideTheProgramIsNoLongerFoundByName) {
    const std::string self = ModulePath(nullptr);
    const std::string planted = self.substr(0, self.rfind('\\') + 1) + "tolvik_planted_probe.dll";
    ASSERT_TRUE(CopyFileA(TOLVIK_PLANTED_DLL, planted.c_str(), FALSE)) << planted;

    HardenDllSearchPath();
    // Were it found, the stand-in would end this process with exit code 86.
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("tolvik_planted_probe.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    // The system's own DLLs still load, from the system folder.
    const HMODULE system = LoadLibraryA("winmm.dll");
    ASSERT_NE(system, nullptr);
    EXPECT_TRUE(StartsWithFolded(ModulePath(system), SystemFolder() + "\\")) << ModulePath(system);
    // What the folder chooser delay-loads is already there, from the system folder.
    const HMODULE controls = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(controls, nullptr);
    EXPECT_TRUE(StartsWithFolded(ModulePath(controls), SystemFolder() + "\\")) << ModulePath(controls);
    EXPECT_TRUE(DeleteFileA(planted.c_str()));
}

TEST(ProcessHardening, ThePreloadLeavesTheSystemCopiesLoaded) {
    PreloadSystemLibraries();
    for (const char* name : {"uxtheme.dll", "dwmapi.dll", "comctl32.dll", "propsys.dll", "userenv.dll"}) {
        const HMODULE module = GetModuleHandleA(name);
        ASSERT_NE(module, nullptr) << name;
        EXPECT_TRUE(StartsWithFolded(ModulePath(module), SystemFolder() + "\\")) << ModulePath(module);
    }
}

TEST(ProcessHardening, CriticalErrorsAreFailedNotShownAndEarlierFlagsKept) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    KeepErrorsInTheProgram();
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS));
}

}  // namespace
}  // namespace framework
