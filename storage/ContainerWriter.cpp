#include "storage/ContainerWriter.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "storage/StorageCipher.h"

namespace storage {

namespace {
constexpr int kCompressionLevel = 9;

bool Compress(std::span<const std::uint8_t> decoded, std::vector<std::uint8_t>& packed, std::string& error) {
    if (decoded.size() > std::numeric_limits<std::uint32_t>::max()) {
        error = "data too large for a node (4 GB at most)";
        return false;
    }
    uLongf bound = compressBound(static_cast<uLong>(decoded.size()));
    if (bound < decoded.size()) {  // the bound wrapped around in a 32-bit uLong
        error = "data too large to compress";
        return false;
    }
    packed.assign(kUnpackedSizePrefix + bound, 0);
    StoreLE32(packed.data(), static_cast<std::uint32_t>(decoded.size()));
    const int rc = compress2(packed.data() + kUnpackedSizePrefix, &bound, decoded.data(),
                             static_cast<uLong>(decoded.size()), kCompressionLevel);
    if (rc != Z_OK) {
        error = "zlib compression failed";
        return false;
    }
    packed.resize(kUnpackedSizePrefix + bound);
    return true;
}
}  // namespace

bool EncodeNodeData(std::span<const std::uint8_t> decoded, bool compress, const std::string* password,
                    std::vector<std::uint8_t>& stored, std::string& error) {
    std::vector<std::uint8_t> body;
    if (compress) {
        if (!Compress(decoded, body, error)) return false;
    } else {
        body.assign(decoded.begin(), decoded.end());
    }
    if (!password) {
        stored = std::move(body);
        return true;
    }
    // The check block and the body share one keystream, since the block is one key long.
    std::vector<std::uint8_t> plain(kCheckText.begin(), kCheckText.end());
    plain.insert(plain.end(), body.begin(), body.end());
    const StorageCipher cipher;
    const StorageCipher::Key key = cipher.DeriveKey(*password);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] ^= key[i % kKeySize];
    stored = std::move(plain);
    return true;
}

ContainerWriter::ContainerWriter() : bytes_(kHeaderSize, 0) {
    std::copy(kMagic.begin(), kMagic.end(), bytes_.begin());
    bytes_[kHeaderVersionAt] = kVersion;
}

bool ContainerWriter::AppendRecord(const RecordFields& fields, std::string_view name,
                                   std::span<const std::uint8_t> stored, std::string& error) {
    const std::size_t recordLength = kRecordFixedSize + name.size() + 1;
    if (recordLength > std::numeric_limits<std::uint16_t>::max()) {
        error = "name too long (" + std::to_string(name.size()) + " bytes)";
        return false;
    }
    if (name.find('\0') != std::string_view::npos) {
        error = "name contains a zero byte";
        return false;
    }
    // Every offset is 32 bits and the end marker must fit after the last record.
    const std::uint64_t next = std::uint64_t{bytes_.size()} + recordLength + stored.size();
    if (next + kEndMarkerSize > std::numeric_limits<std::uint32_t>::max()) {
        error = "container too large (4 GB at most)";
        return false;
    }
    const auto storedSize = static_cast<std::uint32_t>(stored.size());
    AppendLE16(bytes_, static_cast<std::uint16_t>(recordLength));
    bytes_.push_back(fields.kind);
    AppendLE32(bytes_, fields.id);
    AppendLE32(bytes_, fields.parentId);
    bytes_.push_back(fields.type);
    bytes_.push_back(fields.enciphered);
    bytes_.push_back(fields.compressed);
    AppendLE32(bytes_, static_cast<std::uint32_t>(next));
    AppendLE32(bytes_, storedSize);
    AppendLE32(bytes_, storedSize);
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    bytes_.push_back(0);
    bytes_.insert(bytes_.end(), stored.begin(), stored.end());
    if (fields.kind == kNodeRecordKind || fields.kind == kStreamedNodeRecordKind || fields.kind == kStreamRecordKind) {
        highestId_ = std::max(highestId_, fields.id);
    }
    return true;
}

std::vector<std::uint8_t> ContainerWriter::Finish() const {
    std::vector<std::uint8_t> out;
    out.reserve(bytes_.size() + kEndMarkerSize);
    out.assign(bytes_.begin(), bytes_.end());
    StoreLE32(out.data() + kHeaderHighestIdAt, highestId_);
    AppendLE16(out, 0);
    return out;
}

}  // namespace storage
