// tkds build MANIFEST -o FILE [-D NAME=VALUE]...
#include <filesystem>

#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestContainer.h"
#ifndef _WIN32
#include "tools/tkds/ReplaceFile.h"
#endif

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
    std::optional<std::string> document;
    const auto cannotWrite = [&](const std::string& reason) {
        PrintError("cannot write " + output + ": " + reason);
        return kExitFailure;
    };
#ifdef _WIN32
    storage::VectorSink container;
    if (!BuildManifestContainer(parsed.positional[0], defines, container, document)) return kExitFailure;
    if (!WriteFileBytes(output, container.Bytes(), error)) return cannotWrite(error);
#else
    // The container is written as it is made, never held whole: into a file beside
    // the output that replaces it at the end, or for standard output into a file
    // without a name that is then copied out.
    if (output == "-") {
        ScratchFile scratch;
        std::error_code failure;
        if (!scratch.Create(std::filesystem::temp_directory_path(failure).string(), error)) return cannotWrite(error);
        if (!BuildManifestContainer(parsed.positional[0], defines, scratch, document)) return kExitFailure;
        const auto copy = [&](std::span<const std::uint8_t> chunk) { return WriteFileBytes(output, chunk, error); };
        if (!storage::ForEachChunk(scratch, copy, error)) return cannotWrite(error);
    } else {
        ReplacementFile file;
        if (!file.Create(output, error)) return cannotWrite(error);
        if (!BuildManifestContainer(parsed.positional[0], defines, file, document)) return kExitFailure;
        if (!file.Commit(error)) return cannotWrite(error);
    }
#endif
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
