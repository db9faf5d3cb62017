// tkds verify FILE [--password P]
#include <cstdio>

#include "storage/ContainerFormat.h"
#include "storage/StorageCipher.h"
#include "tools/tkds/CommandSupport.h"

namespace tkds {

namespace {

// Why a node record cannot be read, or empty when it can.
std::string Problem(const storage::ContainerIndex::Entry& entry, const std::string& password) {
    const storage::ChainRecord& r = entry.record;
    const auto type = storage::NodeTypeFromByte(r.type);
    if (!type) return "unknown type value " + std::to_string(r.type);
    if (r.enciphered && !storage::StorageCipher().VerifyPassword(r.data, r.storedSize, password)) {
        return "password not accepted";
    }
    std::uint32_t size = 0;
    if (!storage::ContainerIndex::Decode(entry, password, size)) return "stored data cannot be decoded";
    if (type == storage::NodeType::Integer && size != 4) {
        return "Integer decodes to " + std::to_string(size) + " bytes instead of 4";
    }
    return {};
}

int RunVerify(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, {{"--password", true}}, parsed, error)) return UsageError(kVerifyCommand, error);
    if (parsed.positional.size() != 1) return UsageError(kVerifyCommand, "expected one container file");
    LoadedContainer container;
    if (!container.Load(parsed.positional[0])) return kExitFailure;

    const std::string password = parsed.Value("--password");
    std::size_t nodes = 0;
    std::size_t failures = 0;
    for (const auto& entry : container.Index().Entries()) {
        if (entry.record.kind != storage::kNodeRecordKind) continue;
        ++nodes;
        const std::string problem = Problem(entry, password);
        if (!problem.empty()) {
            ++failures;
            PrintError(DescribeRecord(entry) + ": " + problem);
        } else if (!entry.path) {
            std::fprintf(stderr, "tkds: note: %s decodes but no path reaches it\n", DescribeRecord(entry).c_str());
        }
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
    "FILE [--password P]",
    "decode every node; succeed only when all decode",
    RunVerify,
};

}  // namespace tkds
