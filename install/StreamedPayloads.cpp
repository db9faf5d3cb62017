#include "install/StreamedPayloads.h"

#include <algorithm>

#include "storage/Storage.h"

namespace install {

StreamedTargets::~StreamedTargets() = default;

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The entries of each node, as lists threaded through two arrays: first[node]
// is its first entry (or kNone), next[entry] the node's entry after it.
struct EntryLists {
    std::vector<std::size_t> first;
    std::vector<std::size_t> next;
};

// Hands each node's bytes to the entries that name it.
class EntrySink final : public storage::StreamSink {
public:
    EntrySink(const storage::PayloadStreamLayout& layout, const EntryLists& lists, StreamedTargets& targets)
        : layout_(layout), lists_(lists), targets_(targets) {}

    bool BeginNode(const storage::StreamedNode& node) override {
        node_ = static_cast<std::size_t>(&node - layout_.nodes.data());
        for (std::size_t entry = lists_.first[node_]; entry != kNone; entry = lists_.next[entry]) {
            if (!targets_.Begin(entry)) return false;
        }
        return true;
    }
    bool WriteNode(const std::uint8_t* bytes, std::size_t length) override {
        for (std::size_t entry = lists_.first[node_]; entry != kNone; entry = lists_.next[entry]) {
            if (!targets_.Write(entry, bytes, length)) return false;
        }
        return true;
    }
    bool EndNode(const storage::StreamedNode&) override {
        for (std::size_t entry = lists_.first[node_]; entry != kNone; entry = lists_.next[entry]) {
            if (!targets_.End(entry)) return false;
        }
        return true;
    }

private:
    const storage::PayloadStreamLayout& layout_;
    const EntryLists& lists_;
    StreamedTargets& targets_;
    std::size_t node_ = 0;
};

// Lists every streamed entry under its node, in document order; false when an
// entry's node is not in the layout. The layout's nodes are in chain order,
// so their record offsets rise and a node is found by bisection.
bool TieEntries(storage::Storage& storage, const std::vector<PayloadEntry>& entries,
                const storage::PayloadStreamLayout& layout, EntryLists& lists) {
    lists.first.assign(layout.nodes.size(), kNone);
    lists.next.assign(entries.size(), kNone);
    for (std::size_t index = entries.size(); index-- > 0;) {
        if (!entries[index].streamed) continue;
        std::uint32_t recordOffset = 0;
        if (!storage.StreamedRecordOffset(InstallDocument::PayloadNode(entries[index]), recordOffset)) return false;
        const auto found = std::lower_bound(
            layout.nodes.begin(), layout.nodes.end(), recordOffset,
            [](const storage::StreamedNode& node, std::uint32_t offset) { return node.recordOffset < offset; });
        if (found == layout.nodes.end() || found->recordOffset != recordOffset) return false;
        const auto node = static_cast<std::size_t>(found - layout.nodes.begin());
        lists.next[index] = lists.first[node];
        lists.first[node] = index;
    }
    return true;
}

}  // namespace

bool HasStreamedEntries(const std::vector<PayloadEntry>& entries) noexcept {
    for (const PayloadEntry& entry : entries) {
        if (entry.streamed) return true;
    }
    return false;
}

storage::PayloadStreamResult WriteStreamedEntries(storage::Storage& storage, const std::vector<PayloadEntry>& entries,
                                                  storage::StreamSource& source, std::uint64_t fileSize,
                                                  StreamedTargets& targets) {
    storage::PayloadStreamLayout layout;
    const storage::PayloadStreamResult read = storage::ReadStreamLayout(storage.StreamRecords(), fileSize, layout);
    if (read != storage::PayloadStreamResult::Ok) return read;
    EntryLists lists;
    if (!layout.present || !TieEntries(storage, entries, layout, lists)) return storage::PayloadStreamResult::Malformed;
    EntrySink sink(layout, lists, targets);
    return storage::DecodePayloadStream(layout, source, sink);
}

}  // namespace install
