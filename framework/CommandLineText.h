#pragma once
// The pieces of a Windows command line that the programs take apart themselves:
// its arguments as the system splits them (CommandLineToArgvW, whose rules the
// C runtime's argv follows too), and switches of the form "/NAME" or
// "/NAME=VALUE" as setup programs take them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

// Without surrounding blanks: spaces, tabs and line ends.
std::string_view TrimBlanks(std::string_view text) noexcept;

// True when text starts with prefix, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept;

struct CommandArgument {
    std::string text;          // as the program receives it: quotes and escapes taken off
    std::string_view written;  // as the line has it (a view into the line)
    std::size_t start = 0;     // where written starts in the line
};

// The arguments after the program's name, split as CommandLineToArgvW splits
// them. The name is the first word: up to its closing quote when it starts with
// one, else up to the first blank (a line that starts with a blank has an empty
// name); it knows no escapes. After it, spaces and tabs outside quotes separate
// the arguments, and a double quote switches quoting on and off. Backslashes
// count only before a quote: 2n of them give n and the quote keeps its meaning,
// 2n+1 give n and a literal quote. In a run of quotes, counted together with
// the quote that opened the quoting when the run is inside one, every third is
// a literal quote, and quoting is on after the run when one is left over: inside
// quotes "" gives a literal quote and ends the quoting; outside, """ gives one.
// A quote left open runs to the end of the line.
std::vector<CommandArgument> SplitCommandLine(std::string_view commandLine);

// Everything after the program's name (as SplitCommandLine finds it), without
// surrounding blanks: the arguments as written, to be passed on.
std::string_view ArgumentsOf(std::string_view commandLine) noexcept;

struct CommandSwitch {
    std::string name;                  // without the "/", in upper case
    std::optional<std::string> value;  // after the first "="
};

// The switch an argument gives when it is written as "/NAME" or "/NAME=VALUE",
// plain, quoted whole ("/NAME=VALUE") or with its value quoted (/NAME="VALUE").
// Nothing for any other argument: one that does not start with "/", has an
// empty name, holds a literal quote, is quoted in any other way or leaves its
// quote open.
std::optional<CommandSwitch> ReadSwitch(const CommandArgument& argument);

}  // namespace framework
