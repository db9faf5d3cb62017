#include "storage/Storage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "framework/UserMessages.h"
#include "storage/ContainerWalker.h"
#include "storage/NodeData.h"
#include "storage/StorageCipher.h"
#include "storage/StorageErrors.h"
#include "storage/StoragePath.h"

namespace storage {

namespace {
// Reasons are fixed texts, so recording one never allocates.
const std::string kNoReason;
const std::string kAlreadyOpen = "Can't already create object.";
const std::string kPathInvalid = "Path invalid.";
const std::string kInvalidPassword = "Invalid password.";
const std::string kWrongType = "Other data type wanted.";

// The index's order: parent id, then name.
bool Before(std::uint32_t leftParent, std::string_view leftName, std::uint32_t rightParent,
            std::string_view rightName) noexcept {
    return leftParent != rightParent ? leftParent < rightParent : leftName < rightName;
}
}  // namespace

Storage::Storage() : lastError_(&kNoReason) {}

Storage::~Storage() { Close(); }

bool Storage::RefuseSecondOpen() noexcept {
    if (!open_) return false;
    Fail(kAlreadyOpen);
    return true;
}

bool Storage::OpenBytes(const std::uint8_t* bytes, std::size_t length) {
    if (RefuseSecondOpen()) return false;
    framework::WaitCursor wait;
    return OpenContainer(bytes, length);
}

// A container that fails to open is let go of entirely, so no getter ever reads
// from one that was refused and a later Open may try again.
bool Storage::OpenContainer(const std::uint8_t* bytes, std::size_t length) {
    bytes_ = bytes;
    length_ = bytes ? length : 0;
    open_ = true;
    const WalkResult result = WalkContainer(bytes_, length_, [this](const ChainRecord& record) {
        if (IsPayloadStreamKind(record.kind)) streamRecords_.push_back(record);
        if (!IsTreeRecord(record)) return;
        // A type byte that no node may carry is not indexed: nothing could read it.
        const auto type = NodeTypeFromByte(record.type);
        if (!type) return;
        StorageNode node;
        node.id = record.id;
        node.parentId = record.parentId;
        node.type = *type;
        node.enciphered = record.enciphered;
        node.compressed = record.compressed;
        node.storedSize = record.storedSize;
        node.recordOffset = record.recordOffset;
        node.streamed = record.kind == kStreamedNodeRecordKind;
        index_.push_back({record.name, node});
    });
    SortIndex();
    switch (result) {
        case WalkResult::Ok: return true;
        case WalkResult::IllegalFormat: ReportStorageError(kErrorIllegalFormat); break;
        case WalkResult::BodyError: ReportStorageError(kErrorFileBody); break;
    }
    Close();
    return false;
}

int Storage::CompareIndexed(const void* left, const void* right) noexcept {
    const auto& l = *static_cast<const IndexedNode*>(left);
    const auto& r = *static_cast<const IndexedNode*>(right);
    if (Before(l.node.parentId, l.name, r.node.parentId, r.name)) return -1;
    if (Before(r.node.parentId, r.name, l.node.parentId, l.name)) return 1;
    // The chain moves forward, so the record offset tells which of two records came later.
    return (l.node.recordOffset > r.node.recordOffset) - (l.node.recordOffset < r.node.recordOffset);
}

void Storage::SortIndex() {
    // The C runtime's sort: one call into it instead of a sort compiled into the
    // program. An empty index has no data to hand it (qsort takes no null).
    if (index_.size() < 2) return;
    std::qsort(index_.data(), index_.size(), sizeof(IndexedNode), CompareIndexed);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < index_.size(); ++i) {
        const bool overridden = i + 1 < index_.size() && index_[i + 1].node.parentId == index_[i].node.parentId &&
                                index_[i + 1].name == index_[i].name;
        if (!overridden) index_[kept++] = index_[i];
    }
    index_.erase(index_.begin() + static_cast<std::ptrdiff_t>(kept), index_.end());
}

const StorageNode* Storage::FindChild(std::uint32_t parentId, std::string_view name) const noexcept {
    const auto found = std::lower_bound(index_.begin(), index_.end(), name,
                                        [parentId](const IndexedNode& entry, std::string_view key) {
                                            return Before(entry.node.parentId, entry.name, parentId, key);
                                        });
    if (found == index_.end() || found->node.parentId != parentId || found->name != name) return nullptr;
    return &found->node;
}

bool Storage::Close() {
    index_.clear();
    streamRecords_.clear();
    bytes_ = nullptr;
    length_ = 0;
    open_ = false;
    storedBytesRead_ = nullptr;
    return true;
}

const std::string& Storage::LastError() const noexcept { return *lastError_; }

bool Storage::ResolvePath(std::string_view path, StorageNode& node) const {
    const std::vector<std::string_view> segments = SplitPath(path, kPathSeparator);
    // No node may answer to the empty name, whatever a container holds: a path
    // ending in "." and the empty path never resolve.
    if (segments.back().empty()) return false;
    std::uint32_t parent = 0;
    const StorageNode* found = nullptr;
    for (std::string_view segment : segments) {
        found = FindChild(parent, segment);
        if (!found) return false;
        parent = found->id;
    }
    node = *found;
    return true;
}

const std::uint8_t* Storage::StoredBytes(const StorageNode& node) const noexcept {
    // Open checked every record; this guards against a node that outlived its container.
    if (!bytes_ || std::uint64_t{node.recordOffset} + kRecordFixedSize > length_) return nullptr;
    const std::uint64_t start = std::uint64_t{node.recordOffset} + LoadLE16(bytes_ + node.recordOffset);
    if (start + node.storedSize > length_) return nullptr;
    return bytes_ + start;
}

bool Storage::CheckPassword(std::string_view password, const StorageNode& node) const {
    if (!node.enciphered) return true;
    const std::uint8_t* stored = StoredBytes(node);
    return stored && StorageCipher().VerifyPassword(stored, node.storedSize, password);
}

std::optional<std::uint32_t> Storage::DecodedSize(const StorageNode& node, std::string_view password) const noexcept {
    const std::uint8_t* stored = StoredBytes(node);
    if (!stored) return std::nullopt;
    if (node.streamed) {
        if (node.storedSize != kStreamedNodeDataSize) return std::nullopt;
        const std::uint64_t length = LoadLE64(stored + kStreamedNodeLengthAt);
        if (length > UINT32_MAX) return std::nullopt;
        return static_cast<std::uint32_t>(length);
    }
    return DeclaredDecodedSize(stored, node.storedSize, node.enciphered, node.compressed, password);
}

bool Storage::TakeDecodedSize(const StorageNode& node, std::string_view password) const noexcept {
    const auto declared = DecodedSize(node, password);
    return declared && (!budget_ || budget_->Take(*declared));
}

HeapBlock Storage::ReadNodeData(const StorageNode& node, std::uint32_t& size, std::string_view password) const noexcept {
    const std::uint8_t* stored = StoredBytes(node);
    if (!stored || node.streamed) return {};
    // Bytes that announce no size would not decode either.
    if (!TakeDecodedSize(node, password)) return {};
    return DecodeStoredData(stored, node.storedSize, node.enciphered, node.compressed, password, size);
}

bool Storage::FindNode(std::string_view path, std::string_view password, NodeType wanted, StorageNode& node) {
    if (!ResolvePath(path, node)) {
        Fail(kPathInvalid);
        return false;
    }
    if (!CheckPassword(password, node)) {
        Fail(kInvalidPassword);
        return false;
    }
    if (node.type != wanted) {
        Fail(kWrongType);
        return false;
    }
    return true;
}

bool Storage::GetInteger(std::string_view path, std::int32_t& value, std::string_view password) {
    StorageNode node;
    if (!FindNode(path, password, NodeType::Integer, node)) return false;
    std::uint32_t size = 0;
    const HeapBlock data = ReadNodeData(node, size, password);
    if (!data || size != 4) {
        Fail(kNoReason);
        return false;
    }
    value = static_cast<std::int32_t>(LoadLE32(data.get()));
    return true;
}

bool Storage::GetString(std::string_view path, std::string& text, std::string_view password) {
    StorageNode node;
    if (!FindNode(path, password, NodeType::String, node)) return false;
    std::uint32_t size = 0;
    const HeapBlock data = ReadNodeData(node, size, password);
    if (!data) {
        Fail(kNoReason);
        return false;
    }
    const auto* chars = reinterpret_cast<const char*>(data.get());
    const void* zero = std::memchr(chars, 0, size);
    const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - chars) : size;
    text.assign(chars, length);
    return true;
}

bool Storage::GetBinary(std::string_view path, HeapBlock& data, std::uint32_t& size, std::string_view password) {
    StorageNode node;
    if (!FindNode(path, password, NodeType::Binary, node)) return false;
    std::uint32_t decodedSize = 0;
    HeapBlock decoded = ReadNodeData(node, decodedSize, password);
    if (!decoded) {
        Fail(kNoReason);
        return false;
    }
    data = std::move(decoded);
    size = decodedSize;
    return true;
}

bool Storage::GetBinarySize(std::string_view path, std::uint32_t& size, std::string_view password) {
    StorageNode node;
    if (!FindNode(path, password, NodeType::Binary, node)) return false;
    const auto declared = DecodedSize(node, password);
    if (!declared) {
        Fail(kNoReason);
        return false;
    }
    size = *declared;
    return true;
}

StreamResult Storage::StreamBinary(std::string_view path, ByteSink& sink, std::string_view password) {
    StorageNode node;
    if (!FindNode(path, password, NodeType::Binary, node)) return StreamResult::Damaged;
    const std::uint8_t* stored = StoredBytes(node);
    if (node.streamed || !TakeDecodedSize(node, password)) {
        Fail(kNoReason);
        return StreamResult::Damaged;
    }
    const StreamResult result =
        StreamStoredData(stored, node.storedSize, node.enciphered, node.compressed, password, sink, storedBytesRead_);
    if (result != StreamResult::Done) Fail(kNoReason);
    return result;
}

bool Storage::StreamedRecordOffset(std::string_view path, std::uint32_t& recordOffset) const {
    StorageNode node;
    if (!ResolvePath(path, node) || !node.streamed) return false;
    recordOffset = node.recordOffset;
    return true;
}

}  // namespace storage
