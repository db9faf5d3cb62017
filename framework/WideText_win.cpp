#include "framework/WideText_win.h"

#include <windows.h>

namespace framework {

namespace {

std::wstring WideFrom(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > 0x7FFFFFFF) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

// defaultUsed, when given, is set when a character had no form in the code page.
std::string NarrowTo(UINT codePage, std::wstring_view wide, BOOL* defaultUsed) {
    if (wide.empty() || wide.size() > 0x7FFFFFFF) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, defaultUsed);
    return text;
}

}  // namespace

std::wstring WideText(std::string_view utf8) { return WideFrom(CP_UTF8, utf8); }

std::string Utf8Text(std::wstring_view wide) { return NarrowTo(CP_UTF8, wide, nullptr); }

std::string Utf8Text(const wchar_t* wide) { return wide ? Utf8Text(std::wstring_view(wide)) : std::string(); }

std::string Utf8FromAnsi(std::string_view ansi) { return Utf8Text(WideFrom(CP_ACP, ansi)); }

bool AnsiFromUtf8(std::string_view utf8, std::string& ansi) {
    BOOL lossy = FALSE;
    ansi = NarrowTo(CP_ACP, WideText(utf8), &lossy);
    return !lossy;
}

}  // namespace framework
