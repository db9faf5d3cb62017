#include "uninstaller/CommandLine.h"

namespace uninstaller {

namespace {

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string RecordFromCommandLine(std::string_view commandLine) {
    std::string_view rest = Trim(commandLine);
    if (!rest.empty() && rest.front() == '"') {
        const auto close = rest.find('"', 1);
        rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
    } else {
        std::size_t end = 0;
        while (end < rest.size() && !IsBlank(rest[end])) ++end;
        rest.remove_prefix(end);
    }
    rest = Trim(rest);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = Trim(rest.substr(1, rest.size() - 2));
    return std::string(rest);
}

}  // namespace uninstaller
