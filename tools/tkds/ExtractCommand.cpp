// tkds extract FILE PATH [-o OUT] [--password P] [--max-decoded MB]
#ifndef _WIN32
#include <filesystem>
#endif

#include "storage/ContainerFormat.h"
#include "storage/StorageCipher.h"
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/NodeDecoder.h"
#ifndef _WIN32
#include "tools/tkds/ScratchFile.h"
#endif

namespace tkds {

namespace {

// Where a streamed node's bytes go while the stream is decoded: a file made
// beside the output and renamed over it only once the whole stream has checked,
// or, for standard output, a file without a name copied out then. Neither holds
// the node in memory.
int ExtractStreamed(const LoadedContainer& container, const storage::StreamedNode& node, NodeDecoder& decoder,
                    const std::string& path, const std::string& output) {
    std::string error;
    const auto cannotWrite = [&] {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    };
    const auto decode = [&](storage::PatchableSink& sink) {
        const storage::PayloadStreamResult result = decoder.DecodeStream(container, &node, &sink, error);
        if (decoder.Budget().Exceeded()) {
            PrintError(path + ": " + DecodeLimitMessage(decoder.Budget()));
        } else if (result == storage::PayloadStreamResult::SinkFailed) {
            cannotWrite();
        } else if (result != storage::PayloadStreamResult::Ok) {
            PrintError(path + ": " + std::string(storage::StreamResultText(result)));
        }
        return result == storage::PayloadStreamResult::Ok;
    };
    if (output != "-") {
        StagedFile file;
        if (!file.Create(output, error)) return cannotWrite();
        if (!decode(file)) return kExitFailure;
        return file.Commit(error) ? kExitOk : cannotWrite();
    }
#ifdef _WIN32
    storage::VectorSink bytes;
    if (!decode(bytes)) return kExitFailure;
    return WriteFileBytes(output, bytes.Bytes(), error) ? kExitOk : cannotWrite();
#else
    ScratchFile scratch;
    std::error_code failure;
    if (!scratch.Create(std::filesystem::temp_directory_path(failure).string(), error)) return cannotWrite();
    if (!decode(scratch)) return kExitFailure;
    const auto copy = [&](std::span<const std::uint8_t> chunk) { return WriteFileBytes(output, chunk, error); };
    return storage::ForEachChunk(scratch, copy, error) ? kExitOk : cannotWrite();
#endif
}

int RunExtract(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    std::uint64_t decodeLimit = 0;
    if (!ParseArgs(args, {{"-o", true}, {"--output", true}, {"--password", true}, kDecodeLimitOption}, parsed,
                   error) ||
        !DecodeLimitFrom(parsed, decodeLimit, error)) {
        return UsageError(kExtractCommand, error);
    }
    if (parsed.positional.size() != 2) return UsageError(kExtractCommand, "expected a container file and a path");
    const std::string output = parsed.Has("--output") ? parsed.Value("--output") : parsed.Value("-o", "-");
    const std::string password = parsed.Value("--password");
    const std::string& path = parsed.positional[1];

    LoadedContainer container;
    if (!container.Load(parsed.positional[0])) return kExitFailure;
    const storage::ContainerIndex::Entry* entry = container.Index().Find(path);
    if (!entry) {
        PrintError(path + ": Path invalid.");
        return kExitFailure;
    }
    const storage::ChainRecord& r = entry->record;
    // The reader's order: the password first, then the type, then the data.
    if (r.enciphered && !storage::StorageCipher().VerifyPassword(r.data, r.storedSize, password)) {
        PrintError(path + ": Invalid password.");
        return kExitFailure;
    }
    const auto type = storage::NodeTypeFromByte(r.type);
    if (type == storage::NodeType::Folder) {
        PrintError(path + " is a Folder and holds no data");
        return kExitFailure;
    }
    NodeDecoder decoder(password, decodeLimit);
    if (const storage::StreamedNode* node = container.StreamedNodeOf(*entry)) {
        return ExtractStreamed(container, *node, decoder, path, output);
    }
    std::uint32_t size = 0;
    const storage::HeapBlock data = decoder.Decode(*entry, size);
    if (decoder.Budget().Exceeded()) {
        PrintError(path + ": " + DecodeLimitMessage(decoder.Budget()));
        return kExitFailure;
    }
    if (!data) {
        PrintError(path + ": the stored data cannot be decoded");
        return kExitFailure;
    }
    if (type == storage::NodeType::Integer && size != 4) {
        PrintError(path + ": an Integer must decode to 4 bytes, this one gives " + std::to_string(size));
        return kExitFailure;
    }
    if (!WriteFileBytes(output, {data.get(), size}, error)) {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const Command kExtractCommand = {
    "extract",
    "FILE PATH [-o OUT] [--password P] [--max-decoded MB]",
    "write a node's decoded bytes to OUT (standard output without -o)",
    RunExtract,
};

}  // namespace tkds
