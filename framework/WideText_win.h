#pragma once
// The programs keep paths and texts as UTF-8 in std::string; Windows takes and
// gives them as UTF-16 through the W functions. These convert at that edge.
#include <string>
#include <string_view>

namespace framework {

// UTF-8 as UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring WideText(std::string_view utf8);
// UTF-16 as UTF-8 (a lone surrogate becomes U+FFFD).
std::string Utf8Text(std::wstring_view wide);
// A zero-terminated UTF-16 buffer as UTF-8.
std::string Utf8Text(const wchar_t* wide);
// Text in the system's ANSI code page as UTF-8.
std::string Utf8FromAnsi(std::string_view ansi);
// UTF-8 in the system's ANSI code page; false when a character has no ANSI form.
bool AnsiFromUtf8(std::string_view utf8, std::string& ansi);

}  // namespace framework
