#include "uninstaller/CommandLine.h"

#include <vector>

#include "framework/CommandLineText.h"

namespace uninstaller {

namespace {

using framework::CommandArgument;
using framework::TrimBlanks;

// Reads the switches; false when one is unknown, repeated or malformed.
bool ReadSwitches(const std::vector<CommandArgument>& arguments, std::size_t first, UninstallCommandLine& result) {
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::optional<framework::CommandSwitch> read = framework::ReadSwitch(arguments[i]);
        if (!read) return false;
        if (read->name == "S" && !read->value && !result.silent) {
            result.silent = true;
        } else if (read->name == "CURRENTUSER" && !read->value && !result.currentUser) {
            result.currentUser = true;
        } else if (read->name == "LOG" && read->value && !read->value->empty() && !result.logFile) {
            result.logFile = *read->value;
        } else {
            return false;
        }
    }
    return true;
}

// The first argument that starts with "/", but for a first one written in
// quotes: that one names the record.
std::size_t SwitchesStart(const std::vector<CommandArgument>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const CommandArgument& argument = arguments[i];
        const bool quotedRecord = i == 0 && argument.written.front() == '"';
        if (!quotedRecord && !argument.text.empty() && argument.text.front() == '/') return i;
    }
    return arguments.size();
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
    // Blanks before the program's name are skipped (the system would take them
    // for an empty name, and the name for the record).
    const std::string_view line = TrimBlanks(commandLine);
    const std::vector<CommandArgument> arguments = framework::SplitCommandLine(line);
    UninstallCommandLine result;
    const std::size_t start = SwitchesStart(arguments);
    if (start < arguments.size() && ReadSwitches(arguments, start, result)) {
        const std::size_t from = arguments.front().start;
        result.record = Unquoted(line.substr(from, arguments[start].start - from));
        return result;
    }
    UninstallCommandLine whole;
    whole.record = Unquoted(framework::ArgumentsOf(line));
    return whole;
}

std::string RecordFromCommandLine(std::string_view commandLine) {
    return ParseUninstallCommandLine(commandLine).record;
}

}  // namespace uninstaller
