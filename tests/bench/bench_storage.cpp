// Costs of the container reader: opening and indexing containers of growing
// size, decoding a large compressed node against zlib on its own, and path
// resolution by depth.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "storage/ContainerWriter.h"
#include "storage/Storage.h"

namespace {

using storage::ContainerWriter;
using storage::NodeType;
using storage::RecordFields;

void Append(ContainerWriter& writer, std::uint32_t id, std::uint32_t parent, NodeType type, const std::string& name,
            const std::vector<std::uint8_t>& stored, bool compressed = false) {
    RecordFields fields;
    fields.id = id;
    fields.parentId = parent;
    fields.type = static_cast<std::uint8_t>(type);
    fields.compressed = compressed ? 1 : 0;
    std::string error;
    if (!writer.AppendRecord(fields, name, stored, error)) std::abort();
}

// nodes Integer nodes spread over folders of 100 children each.
std::vector<std::uint8_t> FlatContainer(int nodes) {
    ContainerWriter writer;
    const std::vector<std::uint8_t> four = {1, 0, 0, 0};
    std::uint32_t id = 1;
    for (int done = 0; done < nodes;) {
        const std::uint32_t folder = id++;
        Append(writer, folder, 0, NodeType::Folder, "F" + std::to_string(folder), {});
        for (int i = 0; i < 100 && done < nodes; ++i, ++done) {
            Append(writer, id++, folder, NodeType::Integer, "Node" + std::to_string(i), four);
        }
    }
    return writer.Finish();
}

void OpenAndIndex(benchmark::State& state) {
    const auto bytes = FlatContainer(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        storage::Storage s;
        benchmark::DoNotOptimize(s.OpenBytes(bytes.data(), bytes.size()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(OpenAndIndex)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// About 700 KB that compresses like a program image: runs of text and code-like bytes.
std::vector<std::uint8_t> ProgramLikeBytes() {
    std::vector<std::uint8_t> bytes;
    std::mt19937 random(42);
    while (bytes.size() < 716800) {
        const int kind = static_cast<int>(random() % 3);
        const int run = 16 + static_cast<int>(random() % 240);
        for (int i = 0; i < run; ++i) {
            if (kind == 0) bytes.push_back(0);
            else if (kind == 1) bytes.push_back(static_cast<std::uint8_t>('a' + random() % 26));
            else bytes.push_back(static_cast<std::uint8_t>(random()));
        }
    }
    bytes.resize(716800);
    return bytes;
}

struct PackedNode {
    std::vector<std::uint8_t> decoded;
    std::vector<std::uint8_t> stored;
    std::vector<std::uint8_t> container;
};

const PackedNode& LargeNode() {
    static const PackedNode node = [] {
        PackedNode n;
        n.decoded = ProgramLikeBytes();
        std::string error;
        storage::EncodeNodeData(n.decoded, true, nullptr, n.stored, error);
        ContainerWriter writer;
        Append(writer, 1, 0, NodeType::Binary, "Prg", n.stored, true);
        n.container = writer.Finish();
        return n;
    }();
    return node;
}

void GetBinaryCompressed(benchmark::State& state) {
    const PackedNode& node = LargeNode();
    storage::Storage s;
    if (!s.OpenBytes(node.container.data(), node.container.size())) std::abort();
    for (auto _ : state) {
        storage::HeapBlock data;
        std::uint32_t size = 0;
        benchmark::DoNotOptimize(s.GetBinary("Prg", data, size, ""));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(node.decoded.size()));
    state.counters["stored_bytes"] = static_cast<double>(node.stored.size());
}
BENCHMARK(GetBinaryCompressed)->Unit(benchmark::kMicrosecond);

void ZlibUncompressDirect(benchmark::State& state) {
    const PackedNode& node = LargeNode();
    std::vector<std::uint8_t> out(node.decoded.size());
    for (auto _ : state) {
        uLongf produced = static_cast<uLongf>(out.size());
        benchmark::DoNotOptimize(
            uncompress(out.data(), &produced, node.stored.data() + 4, static_cast<uLong>(node.stored.size() - 4)));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(node.decoded.size()));
}
BENCHMARK(ZlibUncompressDirect)->Unit(benchmark::kMicrosecond);

// A chain of folders state.range(0) deep with an Integer at the bottom, among
// 1,000 other nodes so that the child maps are not trivially small.
void ResolvePath(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    ContainerWriter writer;
    std::string path;
    std::uint32_t parent = 0;
    std::uint32_t id = 1;
    for (int level = 0; level < depth - 1; ++level) {
        const std::string name = "Level" + std::to_string(level);
        Append(writer, id, parent, NodeType::Folder, name, {});
        path += name + ".";
        parent = id++;
    }
    Append(writer, id++, parent, NodeType::Integer, "Value", {7, 0, 0, 0});
    path += "Value";
    for (int i = 0; i < 1000; ++i) Append(writer, id++, 0, NodeType::Integer, "Other" + std::to_string(i), {1, 0, 0, 0});
    const auto bytes = writer.Finish();
    storage::Storage s;
    if (!s.OpenBytes(bytes.data(), bytes.size())) std::abort();
    for (auto _ : state) {
        std::int32_t value = 0;
        benchmark::DoNotOptimize(s.GetInteger(path, value, ""));
    }
    state.counters["per_segment"] = benchmark::Counter(
        depth, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(ResolvePath)->Arg(1)->Arg(4)->Arg(16);

}  // namespace

BENCHMARK_MAIN();
