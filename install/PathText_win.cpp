// Windows folds with the upcase table that its file systems compare names with.
#include "install/PathText.h"

#include <windows.h>

namespace install {

namespace {

using UpcaseFunction = WCHAR(NTAPI*)(WCHAR);

// ntdll is in every process from its start: looked up there rather than
// imported, so that the programs import only the system's known DLLs.
UpcaseFunction SystemUpcase() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<UpcaseFunction>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")))
                 : nullptr;
}

}  // namespace

char16_t UpcaseUnit(char16_t unit) {
    // Looked up at each call: a function's static would cost the program the C++
    // runtime's exception support, for its thread-safe start.
    const UpcaseFunction upcase = SystemUpcase();
    if (upcase) return static_cast<char16_t>(upcase(static_cast<WCHAR>(unit)));
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

}  // namespace install
