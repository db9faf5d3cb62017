#include "uninstaller/CommandLine.h"

#include "framework/CommandLineText.h"

namespace uninstaller {

namespace {

using framework::TrimBlanks;

// Reads switches up to the end; false when one is unknown, repeated or malformed.
bool ReadSwitches(std::string_view rest, UninstallCommandLine& result) {
    while (!(rest = TrimBlanks(rest)).empty()) {
        framework::CommandSwitch read;
        if (!framework::ReadSwitch(rest, read)) return false;
        if (read.name == "S" && !read.value && !result.silent) {
            result.silent = true;
        } else if (read.name == "LOG" && read.value && !read.value->empty() && !result.logFile) {
            result.logFile = *read.value;
        } else {
            return false;
        }
    }
    return true;
}

// Where the switches begin: a "/" at the start or after a blank; outside the
// quotes when the record is quoted.
std::size_t SwitchesStart(std::string_view arguments) {
    std::size_t from = 0;
    if (!arguments.empty() && arguments.front() == '"') {
        const auto close = arguments.find('"', 1);
        if (close == std::string_view::npos) return std::string_view::npos;
        from = close + 1;
    }
    for (std::size_t i = from; i < arguments.size(); ++i) {
        if (arguments[i] == '/' && (i == 0 || framework::IsCommandLineBlank(arguments[i - 1]))) return i;
    }
    return std::string_view::npos;
}

std::string Unquoted(std::string_view record) {
    record = TrimBlanks(record);
    if (record.size() >= 2 && record.front() == '"' && record.back() == '"') {
        record = TrimBlanks(record.substr(1, record.size() - 2));
    }
    return std::string(record);
}

}  // namespace

UninstallCommandLine ParseUninstallCommandLine(std::string_view commandLine) {
    const std::string_view arguments = framework::ArgumentsOf(commandLine);
    UninstallCommandLine result;
    const std::size_t start = SwitchesStart(arguments);
    if (start != std::string_view::npos && ReadSwitches(arguments.substr(start), result)) {
        result.record = Unquoted(arguments.substr(0, start));
        return result;
    }
    return UninstallCommandLine{Unquoted(arguments), false, std::nullopt};
}

std::string RecordFromCommandLine(std::string_view commandLine) {
    return ParseUninstallCommandLine(commandLine).record;
}

}  // namespace uninstaller
