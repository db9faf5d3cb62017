#include "tools/tkds/Commands.h"

namespace tkds {

namespace {
const Command* const kTable[] = {
    &kBuildCommand,
    &kListCommand,
    &kExtractCommand,
    &kVerifyCommand,
    &kPreviewCommand,
#ifdef TKDS_HAVE_MAKE
    &kNewCommand,
    &kMakeCommand,
#endif
};

std::vector<Command> Flatten() {
    std::vector<Command> commands;
    for (const Command* c : kTable) commands.push_back(*c);
    return commands;
}
}  // namespace

std::span<const Command> AllCommands() {
    static const std::vector<Command> commands = Flatten();
    return commands;
}

const Command* FindCommand(std::string_view name) {
    for (const Command& c : AllCommands()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

}  // namespace tkds
