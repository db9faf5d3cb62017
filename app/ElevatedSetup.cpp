#include "app/ElevatedSetup.h"

#include <optional>
#include <vector>

#include "framework/CommandLineText.h"

namespace app {

namespace {

// value in double quotes as CommandLineToArgvW reads it back: backslashes that
// come before a quote, the closing one included, doubled, and a quote escaped.
std::string Quoted(std::string_view value) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : value) {
        if (c == '\\') {
            ++backslashes;
        } else {
            if (c == '"') quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, '\\');
    return quoted + '"';
}

}  // namespace

std::string ElevatedSetupArguments(std::string_view commandLine, std::string_view destination) {
    std::string arguments;
    for (const framework::CommandArgument& argument : framework::SplitCommandLine(commandLine)) {
        // Written unquoted, /D= is the rest of the line.
        if (framework::StartsWithNoCase(argument.written, "/D=")) break;
        const std::optional<framework::CommandSwitch> read = framework::ReadSwitch(argument);
        if (read && (read->name == "DIR" || read->name == "D")) continue;
        arguments.append(argument.written);
        arguments += ' ';
    }
    return arguments + "/ALLUSERS /DIR=" + Quoted(destination);
}

std::string ElevationRefusedInWindowText() {
    return "Installing for everyone needs administrator rights, and they were not given.\n"
           "Switch to JUST ME to install for yourself alone, without them.";
}

std::string ElevatedSetupNotStartedText(unsigned long error) {
    return "Setup could not start itself with administrator rights (system error " + std::to_string(error) +
           "), so it installed nothing.";
}

}  // namespace app
