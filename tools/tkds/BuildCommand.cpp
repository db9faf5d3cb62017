// tkds build MANIFEST -o FILE [-D NAME=VALUE]...
//
// A container with streamed nodes is followed in FILE by its payload stream and a
// tail that gives the container's length.
#include "storage/ContainerFormat.h"
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestContainer.h"
#include "tools/tkds/PayloadStreamWriter.h"
#ifdef TKDS_HAVE_LZMA_ENCODER
#endif

namespace tkds {

namespace {

// The container, its payload stream and the tail that says where the container
// ends (drawn in storage/ContainerFormat.h), written whole or not at all.
int WriteWithStream(const std::string& output, std::vector<std::uint8_t>& container, const StreamPlan& stream) {
#ifdef TKDS_HAVE_LZMA_ENCODER
    std::string error;
    if (output == "-") {
        PrintError("a container with a payload stream is written to a file, not to standard output");
        return kExitFailure;
    }
    StagedFile staged;
    StreamFigures figures;
    bool ok = staged.Create(output, error) && WriteStream(staged.Descriptor(), container.size(), stream, figures, error);
    if (ok) {
        PatchStreamRecord(container, stream, figures);
        std::vector<std::uint8_t> tail;
        storage::AppendLE64(tail, container.size());
        tail.insert(tail.end(), storage::kStreamTailMagic.begin(), storage::kStreamTailMagic.end());
        ok = WriteAt(staged.Descriptor(), 0, container.data(), container.size(), error) &&
             WriteAt(staged.Descriptor(), figures.fileOffset + figures.storedLength, tail.data(), tail.size(), error) &&
             staged.Commit(error);
    }
    if (!ok) {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    }
    return kExitOk;
#else
    (void)output, (void)container, (void)stream;
    PrintError("compress=lzma is not available in this build");
    return kExitFailure;
#endif
}

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
    StreamPlan stream;
    if (!BuildManifestContainer(parsed.positional[0], defines, container, stream)) return kExitFailure;
    if (!stream.Empty()) return WriteWithStream(output, container, stream);
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
