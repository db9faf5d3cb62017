// tkds verify FILE [--password P] [--max-decoded MB]
#include <cstdio>

#include "storage/ContainerFormat.h"
#include "storage/StorageCipher.h"
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/NodeDecoder.h"

namespace tkds {

namespace {

// Why a node record cannot be read, or empty when it can.
std::string Problem(const storage::ContainerIndex::Entry& entry, NodeDecoder& decoder) {
    const storage::ChainRecord& r = entry.record;
    const auto type = storage::NodeTypeFromByte(r.type);
    if (!type) return "unknown type value " + std::to_string(r.type);
    if (r.enciphered && !storage::StorageCipher().VerifyPassword(r.data, r.storedSize, decoder.Password())) {
        return "password not accepted";
    }
    const auto size = decoder.DecodedSize(entry);
    if (!size) return "stored data cannot be decoded";
    if (type == storage::NodeType::Integer && *size != 4) {
        return "Integer decodes to " + std::to_string(*size) + " bytes instead of 4";
    }
    return {};
}

// Why the payload stream cannot be read, or empty when it decodes whole.
std::string StreamProblem(const LoadedContainer& container, NodeDecoder& decoder) {
    std::string unused;
    const storage::PayloadStreamResult result = decoder.DecodeStream(container, nullptr, nullptr, unused);
    return result == storage::PayloadStreamResult::Ok ? std::string() : std::string(storage::StreamResultText(result));
}

int RunVerify(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    std::uint64_t decodeLimit = 0;
    if (!ParseArgs(args, {{"--password", true}, kDecodeLimitOption}, parsed, error) ||
        !DecodeLimitFrom(parsed, decodeLimit, error)) {
        return UsageError(kVerifyCommand, error);
    }
    if (parsed.positional.size() != 1) return UsageError(kVerifyCommand, "expected one container file");
    LoadedContainer container;
    if (!container.Load(parsed.positional[0])) return kExitFailure;

    NodeDecoder decoder(parsed.Value("--password"), decodeLimit);
    std::size_t nodes = 0;
    std::size_t failures = 0;
    for (const auto& entry : container.Index().Entries()) {
        const bool streamed = container.StreamedNodeOf(entry) != nullptr;
        if (entry.record.kind != storage::kNodeRecordKind && !streamed) continue;
        ++nodes;
        const std::string problem = streamed ? StreamProblem(container, decoder) : Problem(entry, decoder);
        if (decoder.Budget().Exceeded()) {
            PrintError(parsed.positional[0] + ": " + DecodeLimitMessage(decoder.Budget()));
            return kExitFailure;
        }
        if (!problem.empty()) {
            ++failures;
            PrintError(DescribeRecord(entry) + ": " + problem);
        } else if (!entry.path && !entry.beyondPathCap) {
            std::fprintf(stderr, "tkds: note: %s decodes but no path reaches it\n", DescribeRecord(entry).c_str());
        }
    }
    if (const std::size_t deep = container.Index().CountBeyondPathCap()) {
        std::fprintf(stderr, "tkds: note: %zu node(s) lie more than %zu levels deep or have paths longer than %zu "
                     "bytes; tkds shows no path for them\n", deep, storage::ContainerIndex::kMaxPathDepth,
                     storage::ContainerIndex::kMaxPathLength);
    }
    if (failures) {
        std::fprintf(stderr, "tkds: %zu of %zu nodes cannot be read\n", failures, nodes);
        return kExitFailure;
    }
    std::printf("%s: all %zu nodes decode\n", parsed.positional[0].c_str(), nodes);
    return kExitOk;
}

}  // namespace

const Command kVerifyCommand = {
    "verify",
    "FILE [--password P] [--max-decoded MB]",
    "decode every node; succeed only when all decode",
    RunVerify,
};

}  // namespace tkds
