#pragma once
// The "ProgramFilesDir" a fresh prefix gives a program of this build: a 32-bit
// program on 64-bit Windows (WoW64) reads the key's 32-bit view.
#include <windows.h>

namespace install::test {

inline const char* ExpectedProgramFiles() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? "C:\\Program Files (x86)" : "C:\\Program Files";
}

}  // namespace install::test
