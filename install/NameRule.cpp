#include "install/NameRule.h"

#include "framework/Utf8Units.h"

namespace install {

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

char UpperAscii(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view text, std::string_view upper) noexcept {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (UpperAscii(text[i]) != upper[i]) return false;
    }
    return true;
}

// The device a part names, or empty. Windows looks at the part up to its first dot
// with blanks before that dot ignored, so "nul.txt" and "NUL .tar.gz" are the NUL
// device; "COM" and "LPT" take the digits 1-9 and, in the ANSI code page, the
// superscripts 1, 2 and 3 as well.
std::string DeviceNamed(std::string_view part) {
    std::string_view base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (EqualsUpper(base, device)) return std::string(device);
    }
    if (base.size() == 4) {
        for (std::string_view device : {"COM", "LPT"}) {
            const auto digit = static_cast<unsigned char>(base[3]);
            if (EqualsUpper(base.substr(0, 3), device) &&
                ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3))
                return std::string(device) + base[3];
        }
    }
    return {};
}

bool IsForbiddenNameCharacter(char c) noexcept {
    if (static_cast<unsigned char>(c) < 0x20) return true;
    switch (c) {
        case '<': case '>': case ':': case '"': case '|': case '?': case '*': return true;
        default: return false;
    }
}

bool EndsWithDotOrBlank(std::string_view part) noexcept {
    return !part.empty() && (part.back() == '.' || part.back() == ' ');
}

NameFault CheckPart(std::string_view part) {
    if (part.empty() || part == "." || part == "..") return NameFault::EmptyOrDotPart;
    for (char c : part) {
        if (IsForbiddenNameCharacter(c)) return NameFault::ForbiddenCharacter;
    }
    if (EndsWithDotOrBlank(part)) return NameFault::TrailingDotOrBlank;
    if (!DeviceNamed(part).empty()) return NameFault::DeviceName;
    if (framework::Utf16Length(part) > kMaxNamePart) return NameFault::TooLong;
    return NameFault::None;
}

struct PartFault {
    NameFault fault = NameFault::None;
    std::string_view part;  // the part at fault
};

// The first part of path, between "\" or "/", that is not a usable name.
PartFault FirstFaultyPart(std::string_view path) {
    std::size_t start = 0;
    while (true) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string_view part = path.substr(start, end - start);
        if (const NameFault fault = CheckPart(part); fault != NameFault::None) return {fault, part};
        if (end == path.size()) return {};
        start = end + 1;
    }
}

}  // namespace

NameFault CheckName(std::string_view name) {
    if (name.empty()) return NameFault::Empty;
    for (char c : name) {
        if (IsSeparator(c)) return NameFault::NotOneName;
    }
    return CheckPart(name);
}

NameFault CheckRelativePath(std::string_view path) {
    return path.empty() ? NameFault::Empty : FirstFaultyPart(path).fault;
}

std::string DescribeNameFault(NameFault fault, std::string_view name) {
    switch (fault) {
        case NameFault::None: return "is a usable name";
        case NameFault::Empty: return "is empty";
        case NameFault::EmptyOrDotPart:
            return "must stay inside its folder (no leading, trailing or doubled \\ or /, no \".\" or \"..\" part)";
        case NameFault::DeviceName:
            return "names the device " + DeviceNamed(FirstFaultyPart(name).part);
        case NameFault::TrailingDotOrBlank: return "has a part ending in a dot or a blank, which Windows drops";
        case NameFault::ForbiddenCharacter: return "holds one of < > : \" | ? * or a control character";
        case NameFault::TooLong: return "has a part longer than " + std::to_string(kMaxNamePart) + " characters";
        case NameFault::NotOneName: return "must be one name, without \\ or /";
    }
    return {};
}

}  // namespace install
