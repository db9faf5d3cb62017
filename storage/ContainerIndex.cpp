#include "storage/ContainerIndex.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "storage/ContainerFormat.h"
#include "storage/NodeData.h"
#include "storage/StoragePath.h"

namespace storage {

WalkResult ContainerIndex::Load(const std::uint8_t* bytes, std::size_t length) {
    entries_.clear();
    header_ = {};
    const WalkResult result =
        WalkContainer(bytes, length, [this](const ChainRecord& record) { entries_.push_back({record, {}}); }, &header_);
    AssignPaths();
    return result;
}

// Follows the reader's rules: only node records of a known type are indexed, a
// later sibling of the same name hides an earlier one, and a node is reached only
// through a chain of parents that ends at 0. Names that are empty or contain the
// separator cannot be written in a path.
void ContainerIndex::AssignPaths() {
    std::unordered_map<std::uint32_t, std::unordered_map<std::string_view, std::size_t>> winners;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const ChainRecord& r = entries_[i].record;
        if (!IsTreeRecord(r) || !NodeTypeFromByte(r.type)) continue;
        winners[r.parentId][r.name] = i;
    }
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> children;  // in chain order
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const ChainRecord& r = entries_[i].record;
        const auto siblings = winners.find(r.parentId);
        if (siblings == winners.end()) continue;
        const auto winner = siblings->second.find(r.name);
        if (winner == siblings->second.end() || winner->second != i) continue;
        if (r.name.empty() || r.name.find(kPathSeparator) != std::string_view::npos) continue;
        children[r.parentId].push_back(i);
    }

    struct Pending {
        std::uint32_t id;
        std::string path;    // empty at the root and beyond the caps
        std::size_t depth;   // segments in path
        bool beyondCap;
    };
    std::deque<Pending> queue{{0, {}, 0, false}};
    std::unordered_set<std::uint32_t> expanded{0};
    while (!queue.empty()) {
        const Pending parent = std::move(queue.front());
        queue.pop_front();
        const auto list = children.find(parent.id);
        if (list == children.end()) continue;
        for (std::size_t i : list->second) {
            Entry& entry = entries_[i];
            if (entry.path || entry.beyondPathCap) continue;
            Pending child{entry.record.id, {}, parent.depth + 1, parent.beyondCap};
            const std::size_t length =
                parent.path.size() + (parent.depth ? 1 : 0) + entry.record.name.size();
            child.beyondCap = child.beyondCap || child.depth > kMaxPathDepth || length > kMaxPathLength;
            if (child.beyondCap) {
                entry.beyondPathCap = true;
            } else {
                child.path = parent.depth ? parent.path + kPathSeparator + std::string(entry.record.name)
                                          : std::string(entry.record.name);
                entry.path = child.path;
            }
            // Ids should be unique; when they are not, the first node seen with an
            // id gives its children their paths, and cycles end here too. A
            // streamed node is no parent: the reader of node records skips it.
            if (entry.record.kind == kNodeRecordKind && expanded.insert(entry.record.id).second) {
                queue.push_back(std::move(child));
            }
        }
    }
}

std::size_t ContainerIndex::CountBeyondPathCap() const noexcept {
    std::size_t count = 0;
    for (const Entry& entry : entries_) count += entry.beyondPathCap ? 1 : 0;
    return count;
}

const ContainerIndex::Entry* ContainerIndex::Find(std::string_view path) const {
    const std::vector<std::string_view> segments = SplitPath(path, kPathSeparator);
    if (segments.back().empty()) return nullptr;
    std::string normalized;
    for (std::string_view segment : segments) {
        if (!normalized.empty()) normalized += kPathSeparator;
        normalized += segment;
    }
    for (const Entry& entry : entries_) {
        if (entry.path && *entry.path == normalized) return &entry;
    }
    return nullptr;
}

HeapBlock ContainerIndex::Decode(const Entry& entry, std::string_view password, std::uint32_t& size) noexcept {
    const ChainRecord& r = entry.record;
    if (r.kind != kNodeRecordKind || (!r.data && r.storedSize != 0)) return {};
    return DecodeStoredData(r.data, r.storedSize, r.enciphered, r.compressed, password, size);
}

}  // namespace storage
