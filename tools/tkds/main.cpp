// tkds: builds, lists, extracts and verifies containers.
#include <cstdio>
#include <exception>
#include <new>

#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/Commands.h"
#include "tools/tkds/NodeDecoder.h"

namespace {

void PrintHelp() {
    std::printf("usage: tkds COMMAND [ARGS...]\n       tkds --help | --version\n\ncommands:\n");
    for (const auto& c : tkds::AllCommands()) {
        std::printf("  %.*s %.*s\n      %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                    static_cast<int>(c.usage.size()), c.usage.data(), static_cast<int>(c.summary.size()),
                    c.summary.data());
    }
    std::printf("\n'tkds COMMAND --help' shows one command. Passwords default to the empty text,\n"
                "as the setup program reads every node with it.\n\n"
                "A node's password= only hides its content: the key can be read back from the\n"
                "container itself, so a password protects nothing against anyone who has the file.\n"
                "\nThe setup.exe that make writes, and its uninstaller, run as administrator and act\n"
                "on nothing an ordinary user could have prepared: no path through a link (junction,\n"
                "symbolic link, registry link), no existing destination or /LOG= folder that users\n"
                "may write (setup ends with 1603, or 87 for the log), no file with a second name,\n"
                "no code named by a window message; one setup of a product runs at a time, by a\n"
                "lock only administrators can make or hold.\n"
                "\n--max-decoded MB: list, extract, verify and preview stop with a message once the\n"
                "nodes they decode would pass MB megabytes of decoded data in all (default %llu),\n"
                "since a small container can name far more decoded data than it holds.\n",
                static_cast<unsigned long long>(tkds::kDefaultDecodeLimitMegabytes));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const tkds::Args args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
        if (args.empty()) {
            PrintHelp();
            return tkds::kExitUsage;
        }
        if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            PrintHelp();
            return tkds::kExitOk;
        }
        if (args[0] == "--version") {
            std::printf("tkds %s\n", TKDS_VERSION);
            return tkds::kExitOk;
        }
        const tkds::Command* command = tkds::FindCommand(args[0]);
        if (!command) {
            tkds::PrintError("unknown command '" + args[0] + "' (see tkds --help)");
            return tkds::kExitUsage;
        }
        const tkds::Args rest(args.begin() + 1, args.end());
        for (const auto& arg : rest) {
            if (arg == "--help" || arg == "-h") {
                std::printf("usage: tkds %.*s %.*s\n  %.*s\n", static_cast<int>(command->name.size()),
                            command->name.data(), static_cast<int>(command->usage.size()), command->usage.data(),
                            static_cast<int>(command->summary.size()), command->summary.data());
                return tkds::kExitOk;
            }
        }
        return command->run(rest);
    } catch (const std::bad_alloc&) {
        tkds::PrintError("out of memory");
    } catch (const std::exception& e) {
        tkds::PrintError(e.what());
    }
    return tkds::kExitFailure;
}
