#pragma once
// The one object through which the program reaches its embedded container: it
// indexes every node once and answers typed reads by dotted path ("Backgrounds.1",
// "Controls.MaskedButtons.PushButton.Width"), deciphering and decompressing each
// node into a fresh heap block. It never writes and never copies the container.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ContainerFormat.h"
#include "storage/ContainerWalker.h"
#include "storage/DecodeBudget.h"
#include "storage/HeapBlock.h"
#include "storage/NodeStream.h"
#include "storage/StorageNode.h"

namespace storage {

class Storage {
public:
    Storage();
    virtual ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

#ifdef _WIN32
    // Opens the program's own resource of type "STORAGE" with this integer id.
    bool Open(int resourceId);
#endif
    // Opens a container held in memory; the bytes must outlive this object
    // (or the next Close). Used by the tools and the tests.
    bool OpenBytes(const std::uint8_t* bytes, std::size_t length);

    // On failure no out argument is touched and LastError() tells why:
    // "Path invalid.", "Invalid password.", "Other data type wanted." or "".
    bool GetInteger(std::string_view path, std::int32_t& value, std::string_view password);
    bool GetString(std::string_view path, std::string& text, std::string_view password);
    bool GetBinary(std::string_view path, HeapBlock& data, std::uint32_t& size, std::string_view password);

    // Large nodes without a block of their size. GetBinarySize gives the decoded
    // size a Binary node declares, decoding nothing and taking nothing from the
    // budget (a node whose stored bytes cannot announce a size fails with the
    // reason ""). StreamBinary decodes the
    // node into sink in bounded chunks; Damaged covers the getters' failures too
    // (LastError tells which), and a damaged node may have sent part of itself.
    bool GetBinarySize(std::string_view path, std::uint32_t& size, std::string_view password);
    StreamResult StreamBinary(std::string_view path, ByteSink& sink, std::string_view password);

    // Nodes in the payload stream (see ContainerFormat.h) resolve like others,
    // but only GetBinarySize reads them (their length, when it fits 32 bits);
    // every other getter fails with the reason "". StreamedRecordOffset gives
    // such a node's record offset, which PayloadStreamLayout's nodes carry.
    bool StreamedRecordOffset(std::string_view path, std::uint32_t& recordOffset) const;
    // The payload stream's records (kinds 2 and 3) in chain order, for
    // ReadStreamLayout; empty for a container without a stream.
    const std::vector<ChainRecord>& StreamRecords() const noexcept { return streamRecords_; }

    // Empties the index and lets go of the container bytes. Always true.
    bool Close();
    const std::string& LastError() const noexcept;
    bool IsOpen() const noexcept { return open_; }

    // A tool reading a container it did not make caps what all later reads decode
    // together: a read whose node would pass the budget fails with the reason ""
    // and marks it exceeded. The setup sets none (null: no cap). Not owned.
    void SetDecodeBudget(DecodeBudget* budget) noexcept { budget_ = budget; }

private:
    // A node under its name, which points into the container.
    struct IndexedNode {
        std::string_view name;
        StorageNode node;
    };

    // True (and the reason recorded) when a container is open already.
    bool RefuseSecondOpen() noexcept;
    bool OpenContainer(const std::uint8_t* bytes, std::size_t length);
    // Sorts the walked nodes by parent and name and keeps, of several with the
    // same name under the same parent, the one latest in the chain.
    void SortIndex();
    static int CompareIndexed(const void* left, const void* right) noexcept;
    const StorageNode* FindChild(std::uint32_t parentId, std::string_view name) const noexcept;
    bool ResolvePath(std::string_view path, StorageNode& node) const;
    bool CheckPassword(std::string_view password, const StorageNode& node) const;
    // Resolve, password, type: the first failing step sets LastError.
    bool FindNode(std::string_view path, std::string_view password, NodeType wanted, StorageNode& node);
    const std::uint8_t* StoredBytes(const StorageNode& node) const noexcept;
    HeapBlock ReadNodeData(const StorageNode& node, std::uint32_t& size, std::string_view password) const noexcept;
    // The decoded size the node's stored bytes declare; none when they declare none.
    std::optional<std::uint32_t> DecodedSize(const StorageNode& node, std::string_view password) const noexcept;
    // False when the node declares no size or its size does not fit the budget;
    // otherwise the size is taken from the budget (when there is one).
    bool TakeDecodedSize(const StorageNode& node, std::string_view password) const noexcept;
    void Fail(const std::string& reason) noexcept { lastError_ = &reason; }

    const std::uint8_t* bytes_ = nullptr;
    std::size_t length_ = 0;
    bool open_ = false;
    // Every node, by parent id and name once the container is open: a path
    // resolves by binary search, and indexing allocates no name.
    std::vector<IndexedNode> index_;
    std::vector<ChainRecord> streamRecords_;
    const std::string* lastError_;                       // one of the fixed reason texts
    DecodeBudget* budget_ = nullptr;
    StoredBytesRead storedBytesRead_ = nullptr;  // set when the container is mapped from the program's file
};

}  // namespace storage
