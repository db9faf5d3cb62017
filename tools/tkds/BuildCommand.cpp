// tkds build MANIFEST -o FILE [-D NAME=VALUE]...
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestContainer.h"

namespace tkds {

namespace {

int RunBuild(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, {{"-o", true}, {"--output", true}, {"-D", true}}, parsed, error)) {
        return UsageError(kBuildCommand, error);
    }
    if (parsed.positional.size() != 1) return UsageError(kBuildCommand, "expected one manifest file");
    const std::string output = parsed.Has("--output") ? parsed.Value("--output") : parsed.Value("-o");
    if (output.empty()) return UsageError(kBuildCommand, "missing -o FILE");

    Defines defines;
    if (!AddDefines(parsed.options["-D"], defines, error)) return UsageError(kBuildCommand, error);
    std::vector<std::uint8_t> container;
    if (!BuildManifestContainer(parsed.positional[0], defines, container)) return kExitFailure;
    if (!WriteFileBytes(output, container, error)) {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const Command kBuildCommand = {
    "build",
    "MANIFEST -o FILE [-D NAME=VALUE]...",
    "write the container that MANIFEST describes",
    RunBuild,
};

}  // namespace tkds
