#pragma once
// The tool's subcommands. Each lives in its own file and is listed once in the
// table in CommandTable.cpp; main() dispatches by name.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tkds {

using Args = std::vector<std::string>;

struct Command {
    std::string_view name;
    std::string_view usage;    // the arguments after the name, for --help
    std::string_view summary;  // one line for --help
    int (*run)(const Args& args);  // args after the command name; returns the exit code
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

std::span<const Command> AllCommands();
const Command* FindCommand(std::string_view name);

extern const Command kBuildCommand;
extern const Command kListCommand;
extern const Command kExtractCommand;
extern const Command kVerifyCommand;
extern const Command kPreviewCommand;
#ifdef TKDS_HAVE_MAKE
extern const Command kMakeCommand;
extern const Command kNewCommand;
#endif

}  // namespace tkds
