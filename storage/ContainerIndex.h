#pragma once
// Every record of a container in chain order, with the path under which the
// reader finds each node: the view that tools need to list, extract and verify,
// including records that no path reaches. Built on the same walk as the reader.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ContainerWalker.h"
#include "storage/HeapBlock.h"

namespace storage {

class ContainerIndex {
public:
    // The paths that the index writes out are capped. A chain of parents can be as
    // deep as the container has records, and full paths for every node of a deep
    // chain would take memory quadratic in its depth (a 1 MB container could ask
    // for gigabytes). The reader resolves paths segment by segment and has no cap.
    static constexpr std::size_t kMaxPathDepth = 64;
    static constexpr std::size_t kMaxPathLength = 1024;

    struct Entry {
        ChainRecord record;               // name and data point into the container
        std::optional<std::string> path;  // none when no path reaches this record
        // The reader reaches this record, but its path is deeper or longer than
        // the caps above, so it has none here.
        bool beyondPathCap = false;
    };

    // Walks the container; the bytes must outlive this object. On failure the
    // result says why and the entries hold the records read before the failure.
    WalkResult Load(const std::uint8_t* bytes, std::size_t length);

    const std::vector<Entry>& Entries() const noexcept { return entries_; }
    const ContainerHeader& Header() const noexcept { return header_; }

    // The entry that the reader finds for path (a node record), or null.
    const Entry* Find(std::string_view path) const;

    // How many entries are beyondPathCap.
    std::size_t CountBeyondPathCap() const noexcept;

    // The decoded bytes of a node record, as the reader would hand them out;
    // an empty block when the password is refused or the data is broken.
    static HeapBlock Decode(const Entry& entry, std::string_view password, std::uint32_t& size) noexcept;

private:
    void AssignPaths();

    std::vector<Entry> entries_;
    ContainerHeader header_;
};

}  // namespace storage
