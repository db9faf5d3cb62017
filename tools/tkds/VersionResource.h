#pragma once
// Writes a program's version information (the RT_VERSION resource; its layout is
// drawn in install/VersionInfo.h, whose reader the setup program uses).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tkds {

using VersionNumber = std::array<std::uint16_t, 4>;

// "A.B.C.D", each part 0..65535 in decimal; false (out untouched) otherwise.
bool ParseVersionNumber(std::string_view text, VersionNumber& out);
std::string VersionText(const VersionNumber& number);

struct VersionInfo {
    VersionNumber fileVersion{};
    VersionNumber productVersion{};
    // Name and text of each string, written in this order into the one string table
    // (US English, Unicode); empty texts are left out.
    std::vector<std::pair<std::u16string, std::u16string>> strings;
};

std::vector<std::uint8_t> BuildVersionResource(const VersionInfo& info);

// Text conversions into UTF-16: command-line text is UTF-8 (false for bytes that
// are not); the install document's text is the setup's 8-bit ANSI, Windows-1252.
bool Utf8ToUtf16(std::string_view text, std::u16string& out);
std::u16string AnsiToUtf16(std::string_view text);

}  // namespace tkds
