#include "storage/ContainerWalker.h"

#include <algorithm>
#include <cstring>

#include "storage/ByteReader.h"
#include "storage/ContainerFormat.h"

namespace storage {

namespace {

void ReadFixedPart(const std::uint8_t* p, std::uint32_t offset, ChainRecord& r) noexcept {
    r.recordOffset = offset;
    r.recordLength = LoadLE16(p + kRecordLengthAt);
    r.kind = p[kRecordKindAt];
    r.id = LoadLE32(p + kRecordIdAt);
    r.parentId = LoadLE32(p + kRecordParentIdAt);
    r.type = p[kRecordTypeAt];
    r.enciphered = p[kRecordEncipheredAt];
    r.compressed = p[kRecordCompressedAt];
    r.next = LoadLE32(p + kRecordNextAt);
    r.storedSize = LoadLE32(p + kRecordStoredSizeAt);
    r.sizeCopy = LoadLE32(p + kRecordSizeCopyAt);
}

// Name and data of a node record, both inside the container; false if not.
bool ReadNameAndData(ByteReader& in, ChainRecord& r) noexcept {
    if (r.recordLength < kMinRecordLength) return false;
    if (!in.Seek(std::uint64_t{r.recordOffset} + kRecordFixedSize)) return false;
    const std::size_t nameBytes = r.recordLength - kRecordFixedSize;
    const auto* name = in.Read(nameBytes);
    if (!name) return false;
    const auto* zero = std::find(name, name + nameBytes, std::uint8_t{0});
    if (zero == name + nameBytes) return false;
    r.name = std::string_view(reinterpret_cast<const char*>(name), static_cast<std::size_t>(zero - name));
    r.data = in.Read(r.storedSize);
    return r.data != nullptr;
}

}  // namespace

WalkResult WalkContainer(const std::uint8_t* bytes, std::size_t length,
                         framework::FunctionRef<void(const ChainRecord&)> visit, ContainerHeader* header) {
    ByteReader in(bytes, length);
    if (in.Length() < kMinContainerSize) return WalkResult::IllegalFormat;
    const std::uint8_t* head = in.Read(kHeaderSize);
    if (std::memcmp(head, kMagic.data(), kMagic.size()) != 0 || head[kHeaderVersionAt] != kVersion) {
        return WalkResult::IllegalFormat;
    }
    if (header) {
        header->version = head[kHeaderVersionAt];
        header->highestId = LoadLE32(head + kHeaderHighestIdAt);
    }

    while (in.Remaining() >= kMinRecordSize) {
        ChainRecord record;
        const auto offset = static_cast<std::uint32_t>(in.Position());
        ReadFixedPart(in.Read(kRecordFixedSize), offset, record);
        // A next offset that does not move forward would walk the chain forever.
        if (record.next <= offset) return WalkResult::BodyError;
        if (record.kind == kNodeRecordKind && !ReadNameAndData(in, record)) return WalkResult::BodyError;
        // The payload stream's records are skipped whole by a reader of node
        // records, as every other kind is; their name and data are read when they
        // lie inside the container, for the stream's reader to check.
        if (IsPayloadStreamKind(record.kind) &&
            !ReadNameAndData(in, record)) {
            record.name = {};
            record.data = nullptr;
        }
        visit(record);
        // A next offset past the end leaves no room for the end marker below.
        if (!in.Seek(record.next)) return WalkResult::BodyError;
    }

    std::uint16_t endMarker = 0;
    if (!in.ReadU16(endMarker) || endMarker != 0) return WalkResult::BodyError;
    return WalkResult::Ok;
}

}  // namespace storage
