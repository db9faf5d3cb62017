#pragma once
// Writes containers: node records in the order they are added, then the end
// marker. Used by the container tool and by tests that need containers of
// their own.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ContainerFormat.h"

namespace storage {

// The fields of one record besides its name and data.
struct RecordFields {
    std::uint8_t kind = kNodeRecordKind;
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::uint8_t type = 0;
    std::uint8_t enciphered = 0;
    std::uint8_t compressed = 0;
};

// The stored form of decoded bytes: compressed first (4-byte size and a zlib
// stream at level 9) if compress, then enciphered under password if it is given.
// False with a reason in error when the data cannot be stored.
bool EncodeNodeData(std::span<const std::uint8_t> decoded, bool compress, const std::string* password,
                    std::vector<std::uint8_t>& stored, std::string& error);

class ContainerWriter {
public:
    ContainerWriter();

    // Appends a record with these fields, name and already stored bytes; next
    // points just past the data and sizeCopy equals the stored size. False with
    // a reason when the name or the container grows past what the format holds.
    bool AppendRecord(const RecordFields& fields, std::string_view name, std::span<const std::uint8_t> stored,
                      std::string& error);

    // The highest id of any node or payload stream record so far (0 if none).
    std::uint32_t HighestId() const noexcept { return highestId_; }

    // The finished container: header with the highest id, the records, the end marker.
    std::vector<std::uint8_t> Finish() const;

private:
    std::vector<std::uint8_t> bytes_;  // header and records so far
    std::uint32_t highestId_ = 0;
};

}  // namespace storage
