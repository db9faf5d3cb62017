#pragma once
// One forward pass over a container's record chain, shared by the reader (which
// indexes node records) and the tools (which list every record). The walk checks
// every field it relies on before using it, so no input reads out of bounds or
// loops: the chain must move forward, a node record must hold its name with the
// zero byte and its data inside the container.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/FunctionRef.h"
#include "storage/ContainerFormat.h"

namespace storage {

struct ChainRecord {
    std::uint32_t recordOffset = 0;
    std::uint16_t recordLength = 0;
    std::uint8_t kind = 0;
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::uint8_t type = 0;  // the raw type byte; see NodeTypeFromByte
    std::uint8_t enciphered = 0;
    std::uint8_t compressed = 0;
    std::uint32_t next = 0;
    std::uint32_t storedSize = 0;
    std::uint32_t sizeCopy = 0;
    // Node records (kind 1), and the payload stream's records (kinds 2 and 3)
    // when theirs lie inside the container: the name up to its zero byte and the
    // stored data, both pointing into the container. Empty (data null) otherwise.
    std::string_view name;
    const std::uint8_t* data = nullptr;
};

enum class WalkResult {
    Ok,
    IllegalFormat,  // too short, wrong magic or version
    BodyError,      // a record or the end marker is broken
};

struct ContainerHeader {
    std::uint8_t version = 0;
    std::uint32_t highestId = 0;
};

// Walks the chain and calls visit for every record, of any kind, in chain order.
// A record is handed to visit only after it has been checked; the walk stops at
// the first broken record. visit may throw; the exception passes through.
WalkResult WalkContainer(const std::uint8_t* bytes, std::size_t length,
                         framework::FunctionRef<void(const ChainRecord&)> visit,
                         ContainerHeader* header = nullptr);

// A record that holds a node of the tree: a node record, or a streamed node
// record whose name and data lie inside the container.
inline bool IsTreeRecord(const ChainRecord& r) noexcept {
    return r.kind == kNodeRecordKind || (r.kind == kStreamedNodeRecordKind && r.data != nullptr);
}

}  // namespace storage
