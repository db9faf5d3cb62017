#include "framework/CommandLineText.h"

namespace framework {

namespace {

char Upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The system separates arguments at spaces and tabs only.
bool IsSeparator(char c) noexcept { return c == ' ' || c == '\t'; }

std::size_t ProgramNameEnd(std::string_view line) noexcept {
    if (!line.empty() && line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        return close == std::string_view::npos ? line.size() : close + 1;
    }
    std::size_t end = 0;
    while (end < line.size() && !IsSeparator(line[end])) ++end;
    return end;
}

std::size_t SkipSeparators(std::string_view line, std::size_t at) noexcept {
    while (at < line.size() && IsSeparator(line[at])) ++at;
    return at;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) noexcept {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    }
    return true;
}

std::string_view ArgumentsOf(std::string_view commandLine) noexcept {
    return TrimBlanks(commandLine.substr(SkipSeparators(commandLine, ProgramNameEnd(commandLine))));
}

std::vector<CommandArgument> SplitCommandLine(std::string_view commandLine) {
    std::vector<CommandArgument> arguments;
    std::size_t at = ProgramNameEnd(commandLine);
    while (true) {
        at = SkipSeparators(commandLine, at);
        if (at == commandLine.size()) return arguments;
        CommandArgument& argument = arguments.emplace_back();
        argument.start = at;
        std::string& text = argument.text;
        bool quoted = false;
        std::size_t backslashes = 0;
        while (at < commandLine.size() && (quoted || !IsSeparator(commandLine[at]))) {
            const char c = commandLine[at++];
            if (c != '"') {
                backslashes = c == '\\' ? backslashes + 1 : 0;
                text += c;
                continue;
            }
            // The backslashes before a quote are halved; one left over makes it a literal quote.
            text.resize(text.size() - (backslashes + 1) / 2);
            // A run of quotes, counted with the one that opened the quoting.
            int quotes = quoted ? 1 : 0;
            if (backslashes % 2 == 1) {
                text += '"';
            } else {
                ++quotes;
            }
            backslashes = 0;
            for (; at < commandLine.size() && commandLine[at] == '"'; ++at) {
                if (++quotes == 3) {
                    text += '"';
                    quotes = 0;
                }
            }
            quoted = quotes == 1;
        }
        argument.written = commandLine.substr(argument.start, at - argument.start);
    }
}

std::optional<CommandSwitch> ReadSwitch(const CommandArgument& argument) {
    const std::string_view text = argument.text;
    const std::size_t equals = text.find('=');
    if (text.size() < 2 || text.front() != '/' || equals == 1 || text.find('"') != std::string_view::npos) {
        return std::nullopt;
    }
    // With no literal quote in the text, each quote of the line opens or closes:
    // one pair, around the whole argument or around all of the value.
    const std::string_view written = argument.written;
    const std::size_t opening = written.find('"');
    if (opening != std::string_view::npos) {
        const std::size_t writtenEquals = written.find('=');
        const bool whole = opening == 0;
        const bool value = writtenEquals != std::string_view::npos && opening == writtenEquals + 1;
        if (!(whole || value) || written.find('"', opening + 1) != written.size() - 1) return std::nullopt;
    }
    CommandSwitch read;
    for (char c : text.substr(1, equals == std::string_view::npos ? std::string_view::npos : equals - 1)) {
        read.name += Upper(c);
    }
    if (equals != std::string_view::npos) read.value = std::string(text.substr(equals + 1));
    return read;
}

}  // namespace framework
