#pragma once
// UTF-8 one code point at a time, for the portable code that must see characters
// (the file system's letter case, its UTF-16 length limits) without the Win32
// conversions of WideText_win.h.
#include <cstddef>
#include <string>
#include <string_view>

namespace framework {

// The code point of the UTF-8 sequence at text[at] and its length in bytes; length
// 0 when the bytes there are not a whole, shortest sequence of at most U+10FFFF.
struct Utf8Decoded {
    char32_t point = 0;
    std::size_t length = 0;
};
Utf8Decoded DecodeUtf8At(std::string_view text, std::size_t at) noexcept;

// Appends a code point below U+10000 as UTF-8.
void AppendUtf8(std::string& text, char32_t point);

// The length of UTF-8 text in UTF-16 code units, the unit of the system's path
// limits: "ü" counts 1, a character beyond the Basic Multilingual Plane 2. A byte
// that is not UTF-8 counts 1, as the U+FFFD it becomes.
std::size_t Utf16Length(std::string_view text);

}  // namespace framework
