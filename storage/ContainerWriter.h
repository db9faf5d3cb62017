#pragma once
// Writes containers: node records in the order they are added, then the end
// marker. Used by the container tool and by tests that need containers of
// their own. A record's data may be given whole or as a source that is read,
// compressed and enciphered in chunks, so that a container of any size is
// written with a small, fixed amount of memory.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ByteStreams.h"
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
    // Collects the container in memory; Finish hands it out.
    ContainerWriter();
    // Writes the container into sink as records are added; End finishes it there.
    explicit ContainerWriter(PatchableSink& sink);
    ContainerWriter(const ContainerWriter&) = delete;
    ContainerWriter& operator=(const ContainerWriter&) = delete;

    // Appends a record with these fields, name and already stored bytes; next
    // points just past the data and sizeCopy equals the stored size. False with
    // a reason when the name or the container grows past what the format holds.
    bool AppendRecord(const RecordFields& fields, std::string_view name, std::span<const std::uint8_t> stored,
                      std::string& error);

    // The same with the stored bytes made from source as EncodeNodeData makes them
    // (compressed when fields.compressed is set, enciphered under password when it
    // is given) and written chunk by chunk: the same bytes, in bounded memory. The
    // source must give exactly the bytes it announced.
    bool AppendEncodedRecord(const RecordFields& fields, std::string_view name, ByteSource& source,
                             const std::string* password, std::string& error);

    // The highest id of any node or payload stream record so far (0 if none).

    // The bytes written so far: where the next record starts.
    std::uint64_t Size() const noexcept { return size_; }
    std::uint32_t HighestId() const noexcept { return highestId_; }

    // Finishes the container in the sink: the end marker, and the header's highest id.
    bool End(std::string& error);

    // The finished container, for a writer that collects in memory.
    std::vector<std::uint8_t> Finish();

private:
    bool Begin(std::string& error);
    bool WriteRecordHeader(const RecordFields& fields, std::string_view name, std::uint64_t storedSize,
                           std::string& error);

    VectorSink memory_;
    PatchableSink& sink_;
    std::uint64_t size_ = 0;  // bytes written to the sink so far
    std::uint32_t highestId_ = 0;
};

}  // namespace storage
