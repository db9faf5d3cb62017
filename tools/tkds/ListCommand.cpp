// tkds list [--json] [--password P] [--max-decoded MB] FILE
#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_map>

#include "install/InstallScope.h"
#include "storage/ContainerFormat.h"
#include "storage/Sha256.h"
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/JsonText.h"
#include "tools/tkds/NodeDecoder.h"

namespace tkds {

namespace {

using Entry = storage::ContainerIndex::Entry;

struct Row {
    const Entry* entry;
    std::optional<std::uint64_t> decodedSize;
};

std::optional<std::string_view> TypeName(const storage::ChainRecord& r) {
    if (!storage::IsTreeRecord(r)) return std::nullopt;
    const auto type = storage::NodeTypeFromByte(r.type);
    if (!type) return std::nullopt;
    return storage::NodeTypeName(*type);
}

// Every record with its decoded size; false when the decode budget ran out.
// A streamed node's decoded size is its length in the stream, which is not decoded here.
bool DecodeAll(const LoadedContainer& container, NodeDecoder& decoder, std::vector<Row>& rows) {
    for (const Entry& entry : container.Index().Entries()) {
        Row row{&entry, std::nullopt};
        if (const storage::StreamedNode* node = container.StreamedNodeOf(entry)) {
            row.decodedSize = node->length;
        } else if (TypeName(entry.record)) {
            row.decodedSize = decoder.DecodedSize(entry);
        }
        if (decoder.Budget().Exceeded()) return false;
        rows.push_back(row);
    }
    return true;
}

void PrintJson(const std::vector<Row>& rows) {
    std::printf("[");
    const char* separator = "\n";
    for (const Row& row : rows) {
        const storage::ChainRecord& r = row.entry->record;
        const auto type = TypeName(r);
        std::printf("%s  {\"path\": %s, \"id\": %u, \"parentId\": %u, \"type\": %s, \"compressed\": %s, "
                    "\"enciphered\": %s, \"streamed\": %s, \"storedSize\": %u, \"decodedSize\": %s, \"kind\": %u, "
                    "\"offset\": %u, "
                    "\"beyondPathCap\": %s}",
                    separator, row.entry->path ? JsonString(*row.entry->path).c_str() : "null", r.id, r.parentId,
                    type ? JsonString(*type).c_str() : "null", r.compressed ? "true" : "false",
                    r.enciphered ? "true" : "false",
                    r.kind == storage::kStreamedNodeRecordKind ? "true" : "false", r.storedSize,
                    row.decodedSize ? std::to_string(*row.decodedSize).c_str() : "null", r.kind, r.recordOffset,
                    row.entry->beyondPathCap ? "true" : "false");
        separator = ",\n";
    }
    std::printf("%s]\n", rows.empty() ? "" : "\n");
}

// C compressed, E enciphered, L in the LZMA payload stream.
std::string Flags(const storage::ChainRecord& r) {
    if (r.kind == storage::kStreamedNodeRecordKind) return "L-";
    return std::string(r.compressed ? "C" : "-") + (r.enciphered ? "E" : "-");
}

std::string SizeText(const std::optional<std::uint64_t>& size) { return size ? std::to_string(*size) : "?"; }

void PrintRow(const Row& row, const std::string& label, int labelWidth) {
    const storage::ChainRecord& r = row.entry->record;
    const auto type = TypeName(r);
    const std::string typeText = type                                 ? std::string(*type)
                                 : r.kind != storage::kNodeRecordKind ? "kind " + std::to_string(r.kind)
                                                                      : "type " + std::to_string(r.type);
    std::printf("%-*s %10u %10u  %-8s %-5s %10u %10s\n", labelWidth, label.c_str(), r.id, r.parentId,
                typeText.c_str(), Flags(r).c_str(), r.storedSize, SizeText(row.decodedSize).c_str());
}

// Whom the product installs for: the name the root node kScopeNode holds, machine
// for a container without it.
std::string ScopeText(const LoadedContainer& container, NodeDecoder& decoder) {
    const Entry* entry = container.Index().Find(install::kScopeNode);
    if (!entry) return std::string(install::ProductScopeName(install::ProductScope::Machine));
    std::uint32_t size = 0;
    storage::HeapBlock data;
    if (TypeName(entry->record) == storage::NodeTypeName(storage::NodeType::String)) {
        data = decoder.Decode(*entry, size);
    }
    const std::string_view text(reinterpret_cast<const char*>(data.get()), data ? size : 0);
    if (install::ParseProductScope(text)) return std::string(text);
    return "unknown (the node " + std::string(install::kScopeNode) + " is not a String naming machine, user or both)";
}

// The reachable nodes as an indented tree (children in chain order), then the rest.
void PrintTree(const std::string& file, const LoadedContainer& container, const std::vector<Row>& rows,
               NodeDecoder& decoder) {
    const storage::ContainerIndex& index = container.Index();
    std::unordered_map<std::string, std::vector<const Row*>> children;  // parent path -> rows
    std::vector<const Row*> unreachable;
    std::vector<const Row*> beyondCap;
    for (const Row& row : rows) {
        if (row.entry->beyondPathCap) {
            beyondCap.push_back(&row);
            continue;
        }
        if (!row.entry->path) {
            unreachable.push_back(&row);
            continue;
        }
        const std::string& path = *row.entry->path;
        const std::size_t length = path.size() - row.entry->record.name.size();
        children[length ? path.substr(0, length - 1) : std::string()].push_back(&row);
    }
    std::vector<std::pair<std::string, const Row*>> lines;
    std::vector<std::pair<const Row*, int>> stack;
    const auto pushChildren = [&](const std::string& parent, int depth) {
        const auto found = children.find(parent);
        if (found == children.end()) return;
        for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) stack.emplace_back(*it, depth);
    };
    pushChildren("", 0);
    while (!stack.empty()) {
        const auto [row, depth] = stack.back();
        stack.pop_back();
        lines.emplace_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + std::string(row->entry->record.name),
                           row);
        pushChildren(*row->entry->path, depth + 1);
    }
    // The rest by their names, which the walk has bounded, at no depth.
    const auto listApart = [&lines](const std::vector<const Row*>& apart, const char* mark) {
        for (const Row* row : apart) {
            const auto& r = row->entry->record;
            const std::string label = r.data ? std::string(r.name) : std::string();
            lines.emplace_back(std::string(mark) + " " + label + " @" + std::to_string(r.recordOffset), row);
        }
    };
    listApart(beyondCap, "~");
    listApart(unreachable, "?");

    // Longer labels overflow their column rather than widen every row.
    constexpr int kMaxNameColumn = 60;
    int width = 4;
    for (const auto& line : lines) width = std::max(width, static_cast<int>(std::min<std::size_t>(line.first.size(), kMaxNameColumn)));
    std::printf("%s: %zu bytes, version %u, highest id %u, %zu records\n", file.c_str(), container.Bytes().size(),
                index.Header().version, index.Header().highestId, rows.size());
    if (const storage::PayloadStreamLayout& stream = container.Stream(); stream.present) {
        std::printf("payload stream: %llu bytes at offset %llu, %zu node(s) (flag L) decoding to %llu bytes, "
                    "CRC-32 %08x, SHA-256 %s\n",
                    static_cast<unsigned long long>(stream.storedLength),
                    static_cast<unsigned long long>(stream.fileOffset), stream.nodes.size(),
                    static_cast<unsigned long long>(stream.decodedSize), stream.crc32,
                    storage::HexDigest(stream.sha256).c_str());
        std::uint64_t at = stream.fileOffset;
        for (std::uint32_t k = 0; stream.chunkCount > 1 && k < stream.chunkCount; ++k) {
            const storage::PayloadChunk chunk = storage::ChunkAt(stream, k);
            std::printf("  chunk %u: %llu bytes at offset %llu, decoding to %llu bytes\n", k + 1,
                        static_cast<unsigned long long>(chunk.storedLength), static_cast<unsigned long long>(at),
                        static_cast<unsigned long long>(chunk.decodedSize));
            at += chunk.storedLength;
        }
    }
    std::printf("scope: %s\n", ScopeText(container, decoder).c_str());
    std::printf("%-*s %10s %10s  %-8s %-5s %10s %10s\n", width, "NAME", "ID", "PARENT", "TYPE", "FLAGS", "STORED",
                "DECODED");
    for (const auto& [label, row] : lines) PrintRow(*row, label, width);
    if (!beyondCap.empty()) {
        std::printf("(%zu record(s) marked ~ lie more than %zu levels deep or have paths longer than %zu bytes: "
                    "the setup reads them, tkds shows no path for them)\n",
                    beyondCap.size(), storage::ContainerIndex::kMaxPathDepth,
                    storage::ContainerIndex::kMaxPathLength);
    }
    if (!unreachable.empty()) {
        std::printf("(%zu record(s) marked ? are not reachable by any path; @ gives their offset)\n",
                    unreachable.size());
    }
}

int RunList(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    std::uint64_t decodeLimit = 0;
    if (!ParseArgs(args, {{"--json", false}, {"--password", true}, kDecodeLimitOption}, parsed, error) ||
        !DecodeLimitFrom(parsed, decodeLimit, error)) {
        return UsageError(kListCommand, error);
    }
    if (parsed.positional.size() != 1) return UsageError(kListCommand, "expected one container file");
    LoadedContainer container;
    if (!container.Load(parsed.positional[0])) return kExitFailure;
    NodeDecoder decoder(parsed.Value("--password"), decodeLimit);
    std::vector<Row> rows;
    if (!DecodeAll(container, decoder, rows)) {
        PrintError(parsed.positional[0] + ": " + DecodeLimitMessage(decoder.Budget()));
        return kExitFailure;
    }
    if (parsed.Has("--json")) {
        PrintJson(rows);
    } else {
        PrintTree(parsed.positional[0], container, rows, decoder);
    }
    // The listing shows what the records say; a stream that is not the one they
    // describe makes the file unusable, which the exit status tells.
    if (container.Stream().present) {
        const storage::PayloadStreamResult hash = container.CheckStreamHash();
        if (hash != storage::PayloadStreamResult::Ok) {
            PrintError(parsed.positional[0] + ": " + std::string(storage::StreamResultText(hash)));
            return kExitFailure;
        }
    }
    return kExitOk;
}

}  // namespace

const Command kListCommand = {
    "list",
    "[--json] [--password P] [--max-decoded MB] FILE",
    "show every record: path, id, parent, type, flags, stored and decoded sizes",
    RunList,
};

}  // namespace tkds
