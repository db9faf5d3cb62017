#include "storage/ContainerWriter.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "storage/StorageCipher.h"

namespace storage {

namespace {
constexpr int kCompressionLevel = 9;
constexpr std::uint64_t kMaxOffset = std::numeric_limits<std::uint32_t>::max();

// Passes stored bytes on to a sink, enciphered when there is a key, and counts
// them; refuses to pass more than a limit.
class StoredOutput {
public:
    StoredOutput(PatchableSink& sink, std::optional<StorageCipher::Key> key, std::uint64_t limit)
        : sink_(sink), key_(key), limit_(limit) {}

    bool Put(std::span<const std::uint8_t> bytes, std::string& error) {
        if (bytes.size() > limit_ - count_) {
            error = "container too large (4 GB at most)";
            return false;
        }
        if (key_) {
            scratch_.assign(bytes.begin(), bytes.end());
            for (std::size_t i = 0; i < scratch_.size(); ++i) scratch_[i] ^= (*key_)[(count_ + i) % kKeySize];
            bytes = scratch_;
        }
        count_ += bytes.size();
        return sink_.Write(bytes, error);
    }
    std::uint64_t Count() const noexcept { return count_; }

private:
    PatchableSink& sink_;
    std::optional<StorageCipher::Key> key_;
    std::uint64_t limit_;
    std::uint64_t count_ = 0;
    std::vector<std::uint8_t> scratch_;
};

// The 4-byte unpacked size, then the zlib stream at level 9: the same bytes as a
// one-step compress2 of the whole data, since deflate's output does not depend on
// how its input is divided.
bool Deflate(ByteSource& source, StoredOutput& out, std::string& error) {
    if (source.Size() > kMaxOffset) {
        error = "data too large for a node (4 GB at most)";
        return false;
    }
    std::uint8_t prefix[kUnpackedSizePrefix];
    StoreLE32(prefix, static_cast<std::uint32_t>(source.Size()));
    if (!out.Put(prefix, error)) return false;

    z_stream stream{};
    if (deflateInit(&stream, kCompressionLevel) != Z_OK) {
        error = "zlib compression failed";
        return false;
    }
    std::vector<std::uint8_t> packed(kStreamChunk);
    const auto pump = [&](std::span<const std::uint8_t> input, int flush) {
        stream.next_in = const_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(input.size());
        int rc = Z_OK;
        do {
            stream.next_out = packed.data();
            stream.avail_out = static_cast<uInt>(packed.size());
            rc = deflate(&stream, flush);
            if (rc == Z_STREAM_ERROR) {
                error = "zlib compression failed";
                return false;
            }
            if (!out.Put(std::span<const std::uint8_t>(packed.data(), packed.size() - stream.avail_out), error))
                return false;
        } while (stream.avail_out == 0);
        return flush != Z_FINISH || rc == Z_STREAM_END;
    };
    const bool ok = ForEachChunk(source, [&](std::span<const std::uint8_t> chunk) { return pump(chunk, Z_NO_FLUSH); },
                                 error) &&
                    pump({}, Z_FINISH);
    deflateEnd(&stream);
    if (!ok && error.empty()) error = "zlib compression failed";
    return ok;
}

// The stored form of source's bytes, as EncodeNodeData describes it, into out.
bool EncodeStream(ByteSource& source, bool compress, StoredOutput& out, bool enciphered, std::string& error) {
    if (enciphered) {
        // The check block and the body share one keystream, since the block is one key long.
        const std::span<const std::uint8_t> check(reinterpret_cast<const std::uint8_t*>(kCheckText.data()),
                                                  kCheckText.size());
        if (!out.Put(check, error)) return false;
    }
    if (compress) return Deflate(source, out, error);
    return ForEachChunk(source, [&](std::span<const std::uint8_t> chunk) { return out.Put(chunk, error); }, error);
}

std::optional<StorageCipher::Key> KeyFor(const std::string* password) {
    if (!password) return std::nullopt;
    return StorageCipher().DeriveKey(*password);
}

}  // namespace

bool EncodeNodeData(std::span<const std::uint8_t> decoded, bool compress, const std::string* password,
                    std::vector<std::uint8_t>& stored, std::string& error) {
    SpanSource source(decoded);
    VectorSink sink;
    StoredOutput out(sink, KeyFor(password), std::numeric_limits<std::uint64_t>::max());
    if (!EncodeStream(source, compress, out, password != nullptr, error)) return false;
    stored = std::move(sink.Bytes());
    return true;
}

ContainerWriter::ContainerWriter() : sink_(memory_) {}

ContainerWriter::ContainerWriter(PatchableSink& sink) : sink_(sink) {}

bool ContainerWriter::Begin(std::string& error) {
    if (size_ != 0) return true;
    std::vector<std::uint8_t> header(kHeaderSize, 0);
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    header[kHeaderVersionAt] = kVersion;
    if (!sink_.Write(header, error)) return false;
    size_ = header.size();
    return true;
}

bool ContainerWriter::WriteRecordHeader(const RecordFields& fields, std::string_view name, std::uint64_t storedSize,
                                        std::string& error) {
    const std::size_t recordLength = kRecordFixedSize + name.size() + 1;
    if (recordLength > std::numeric_limits<std::uint16_t>::max()) {
        error = "name too long (" + std::to_string(name.size()) + " bytes)";
        return false;
    }
    if (name.find('\0') != std::string_view::npos) {
        error = "name contains a zero byte";
        return false;
    }
    if (!Begin(error)) return false;
    // Every offset is 32 bits and the end marker must fit after the last record.
    const std::uint64_t next = size_ + recordLength + storedSize;
    if (next + kEndMarkerSize > kMaxOffset) {
        error = "container too large (4 GB at most)";
        return false;
    }
    std::vector<std::uint8_t> record;
    AppendLE16(record, static_cast<std::uint16_t>(recordLength));
    record.push_back(fields.kind);
    AppendLE32(record, fields.id);
    AppendLE32(record, fields.parentId);
    record.push_back(fields.type);
    record.push_back(fields.enciphered);
    record.push_back(fields.compressed);
    AppendLE32(record, static_cast<std::uint32_t>(next));
    AppendLE32(record, static_cast<std::uint32_t>(storedSize));
    AppendLE32(record, static_cast<std::uint32_t>(storedSize));
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(0);
    if (!sink_.Write(record, error)) return false;
    size_ += record.size();
    if (fields.kind == kNodeRecordKind || IsPayloadStreamKind(fields.kind)) {
        highestId_ = std::max(highestId_, fields.id);
    }
    return true;
}

bool ContainerWriter::AppendRecord(const RecordFields& fields, std::string_view name,
                                   std::span<const std::uint8_t> stored, std::string& error) {
    if (!WriteRecordHeader(fields, name, stored.size(), error) || !sink_.Write(stored, error)) return false;
    size_ += stored.size();
    return true;
}

bool ContainerWriter::AppendEncodedRecord(const RecordFields& fields, std::string_view name, ByteSource& source,
                                          const std::string* password, std::string& error) {
    if (!Begin(error)) return false;
    const std::uint64_t recordAt = size_;
    // The sizes are not known until the data is written; the header gets them then.
    if (!WriteRecordHeader(fields, name, 0, error)) return false;
    const std::uint64_t dataAt = size_;
    StoredOutput out(sink_, KeyFor(password), kMaxOffset - kEndMarkerSize - dataAt);
    if (!EncodeStream(source, fields.compressed != 0, out, password != nullptr, error)) return false;
    size_ += out.Count();
    std::uint8_t sizes[12];
    StoreLE32(sizes, static_cast<std::uint32_t>(size_));
    StoreLE32(sizes + 4, static_cast<std::uint32_t>(out.Count()));
    StoreLE32(sizes + 8, static_cast<std::uint32_t>(out.Count()));
    return sink_.Patch(recordAt + kRecordNextAt, sizes, error);
}

bool ContainerWriter::End(std::string& error) {
    if (!Begin(error)) return false;
    std::uint8_t marker[kEndMarkerSize] = {0, 0};
    if (!sink_.Write(marker, error)) return false;
    size_ += kEndMarkerSize;
    std::uint8_t highest[4];
    StoreLE32(highest, highestId_);
    return sink_.Patch(kHeaderHighestIdAt, highest, error);
}

std::vector<std::uint8_t> ContainerWriter::Finish() {
    std::string error;
    End(error);  // a writer in memory cannot fail
    return std::move(memory_.Bytes());
}

}  // namespace storage
