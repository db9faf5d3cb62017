#include "framework/CommandLineText.h"

namespace framework {

namespace {

char Upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsCommandLineBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view text) noexcept {
    while (!text.empty() && IsCommandLineBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsCommandLineBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view ArgumentsOf(std::string_view commandLine) noexcept {
    std::string_view rest = TrimBlanks(commandLine);
    if (!rest.empty() && rest.front() == '"') {
        const auto close = rest.find('"', 1);
        rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
    } else {
        std::size_t end = 0;
        while (end < rest.size() && !IsCommandLineBlank(rest[end])) ++end;
        rest.remove_prefix(end);
    }
    return TrimBlanks(rest);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    }
    return true;
}

bool ReadSwitch(std::string_view& arguments, CommandSwitch& result) {
    std::string_view rest = TrimBlanks(arguments);
    if (rest.empty() || rest.front() != '/') return false;
    rest.remove_prefix(1);
    std::size_t nameEnd = 0;
    while (nameEnd < rest.size() && !IsCommandLineBlank(rest[nameEnd]) && rest[nameEnd] != '=' && rest[nameEnd] != '"') {
        ++nameEnd;
    }
    if (nameEnd == 0) return false;
    CommandSwitch read;
    for (char c : rest.substr(0, nameEnd)) read.name += Upper(c);
    rest.remove_prefix(nameEnd);
    if (!rest.empty() && rest.front() == '"') return false;
    if (!rest.empty() && rest.front() == '=') {
        rest.remove_prefix(1);
        if (!rest.empty() && rest.front() == '"') {
            const auto close = rest.find('"', 1);
            if (close == std::string_view::npos) return false;
            read.value = std::string(rest.substr(1, close - 1));
            rest.remove_prefix(close + 1);
            if (!rest.empty() && !IsCommandLineBlank(rest.front())) return false;
        } else {
            std::size_t end = 0;
            while (end < rest.size() && !IsCommandLineBlank(rest[end])) ++end;
            const std::string_view value = rest.substr(0, end);
            if (value.find('"') != std::string_view::npos) return false;
            read.value = std::string(value);
            rest.remove_prefix(end);
        }
    }
    arguments = rest;
    result = std::move(read);
    return true;
}

}  // namespace framework
