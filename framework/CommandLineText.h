#pragma once
// The pieces of a Windows command line that the programs take apart themselves:
// the program's name, which the system passes as the first word (quoted when it
// holds blanks), and switches of the form "/NAME" or "/NAME=VALUE" as setup
// programs take them.
#include <optional>
#include <string>
#include <string_view>

namespace framework {

bool IsCommandLineBlank(char c) noexcept;
std::string_view TrimBlanks(std::string_view text) noexcept;

// Everything after the program's name (quoted or not), without surrounding blanks.
std::string_view ArgumentsOf(std::string_view commandLine) noexcept;

// True when text starts with prefix, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept;

struct CommandSwitch {
    std::string name;                  // without the "/", in upper case
    std::optional<std::string> value;  // after "=": unquoted up to the next blank, or in double quotes
};

// Reads the switch at the start of arguments (leading blanks skipped) and moves
// arguments past it. False, with arguments untouched, when the next word is no
// switch: it does not start with "/", its name is empty, a quoted value is not
// closed or is followed by more than a blank.
bool ReadSwitch(std::string_view& arguments, CommandSwitch& result);

}  // namespace framework
