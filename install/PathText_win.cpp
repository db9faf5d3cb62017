// Windows folds with the upcase table that its file systems compare names with.
#include "install/PathText.h"

#include <windows.h>

// ntdll exports it; the user-mode headers declare it only for drivers.
extern "C" __declspec(dllimport) WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR source);

namespace install {

char16_t UpcaseUnit(char16_t unit) { return static_cast<char16_t>(RtlUpcaseUnicodeChar(static_cast<WCHAR>(unit))); }

}  // namespace install
