#pragma once
// What the index keeps of one node record (or streamed node record): enough to find and decode its data
// later without walking the chain again.
#include <cstdint>

#include "storage/ContainerFormat.h"

namespace storage {

struct StorageNode {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;  // 0 = under the root
    NodeType type = NodeType::Folder;
    std::uint8_t enciphered = 0;
    std::uint8_t compressed = 0;
    std::uint32_t storedSize = 0;
    std::uint32_t recordOffset = 0;  // absolute offset of the record in the container
    bool streamed = false;  // a Binary whose bytes are in the payload stream, not the container
};

}  // namespace storage
