// tkds build MANIFEST -o FILE [-D NAME=VALUE]... [--quiet] [--threads N]
//
// A container with streamed nodes is followed in FILE by its payload stream and a
// tail that gives the container's length.
#include <filesystem>

#include "storage/ContainerFormat.h"
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestContainer.h"
#include "tools/tkds/PayloadStreamWriter.h"
#ifndef _WIN32
#include "tools/tkds/ScratchFile.h"
#endif

namespace tkds {

namespace {

// The container, its payload stream and the tail that says where the container
// ends (drawn in storage/ContainerFormat.h), written whole or not at all.
int WriteWithStream(const std::string& output, std::vector<std::uint8_t>& container, const StreamPlan& stream,
                    const StreamSettings& settings) {
#ifdef TKDS_HAVE_LZMA_ENCODER
    std::string error;
    if (output == "-") {
        PrintError("a container with a payload stream is written to a file, not to standard output");
        return kExitFailure;
    }
    StagedFile staged;
    StreamFigures figures;
    bool ok = staged.Create(output, error) && WriteStream(staged.Descriptor(), container.size(), stream, figures, settings, error);
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
    (void)output, (void)container, (void)stream, (void)settings;
    PrintError("compress=lzma is not available in this build");
    return kExitFailure;
#endif
}

int RunBuild(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, {{"-o", true}, {"--output", true}, {"-D", true}, {"--quiet", false}, {"--threads", true}}, parsed, error)) {
        return UsageError(kBuildCommand, error);
    }
    if (parsed.positional.size() != 1) return UsageError(kBuildCommand, "expected one manifest file");
    const std::string output = parsed.Has("--output") ? parsed.Value("--output") : parsed.Value("-o");
    if (output.empty()) return UsageError(kBuildCommand, "missing -o FILE");
    StreamSettings settings;
    if (!ReadStreamSettings(parsed, settings, error)) return UsageError(kBuildCommand, error);

    Defines defines;
    if (!AddDefines(parsed.options["-D"], defines, error)) return UsageError(kBuildCommand, error);
    std::optional<std::string> document;
    const auto cannotWrite = [&](const std::string& reason) {
        PrintError("cannot write " + output + ": " + reason);
        return kExitFailure;
    };
    StreamPlan stream;
#ifdef _WIN32
    storage::VectorSink container;
    if (!BuildManifestContainer(parsed.positional[0], defines, container, document, stream)) return kExitFailure;
    if (!stream.Empty()) return WriteWithStream(output, container.Bytes(), stream, settings);
    if (!WriteFileBytes(output, container.Bytes(), error)) return cannotWrite(error);
#else
    // The container is written as it is made, never held whole, into a file
    // without a name beside the output (for standard output, in the temporary
    // folder), and then copied out. With a payload stream it holds no streamed
    // node's bytes and is read back to go in front of the stream.
    ScratchFile scratch;
    std::error_code failure;
    const std::string folder = output == "-" ? std::filesystem::temp_directory_path(failure).string()
                                             : std::filesystem::path(output).parent_path().string();
    if (!scratch.Create(folder, error)) return cannotWrite("cannot make a new file beside it: " + error);
    if (!BuildManifestContainer(parsed.positional[0], defines, scratch, document, stream)) return kExitFailure;
    if (!stream.Empty()) {
        std::vector<std::uint8_t> container;
        if (!storage::ReadWhole(scratch, container, error)) return cannotWrite(error);
        return WriteWithStream(output, container, stream, settings);
    }
    if (output == "-") {
        const auto copy = [&](std::span<const std::uint8_t> chunk) { return WriteFileBytes(output, chunk, error); };
        if (!storage::ForEachChunk(scratch, copy, error)) return cannotWrite(error);
    } else {
        StagedFile file;
        const auto copy = [&](std::span<const std::uint8_t> chunk) { return file.Write(chunk, error); };
        if (!file.Create(output, error) || !storage::ForEachChunk(scratch, copy, error) || !file.Commit(error)) {
            return cannotWrite(error);
        }
    }
#endif
    return kExitOk;
}

}  // namespace

const Command kBuildCommand = {
    "build",
    "MANIFEST -o FILE [-D NAME=VALUE]... [--quiet] [--threads N]",
    "write the container that MANIFEST describes",
    RunBuild,
};

}  // namespace tkds
