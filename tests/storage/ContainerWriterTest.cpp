// The writer's streamed records: a node's data read, compressed and enciphered in
// chunks gives the bytes of the one-step encoding (zlib's own compress2 for the
// stream), whatever sizes the source's reads come in, and a source that does not
// give what it announced is refused.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "storage/Storage.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

// Gives its bytes in reads of uneven sizes, and may announce a size it does not keep.
class UnevenSource final : public ByteSource {
public:
    UnevenSource(const std::vector<std::uint8_t>& bytes, std::uint64_t announced) : bytes_(bytes), announced_(announced) {}
    std::uint64_t Size() const override { return announced_; }
    bool Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string&) override {
        got = std::min({buffer.size(), bytes_.size() - at_, std::size_t{1} + (at_ * 7919) % 300000});
        std::memcpy(buffer.data(), bytes_.data() + at_, got);
        at_ += got;
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::uint64_t announced_;
    std::size_t at_ = 0;
};

std::vector<std::uint8_t> Sample(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);  // text-like: compressible, but not trivially
    std::uint32_t state = 7;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>('a' + (state >> 16) % 11);
    }
    return bytes;
}

TEST(ContainerWriter, StreamedRecordsEqualTheOneStepEncoding) {
    const std::vector<std::uint8_t> data = Sample(5 * kStreamChunk / 2 + 3);  // several chunks and a part
    const std::string password = "pass";
    for (const bool compress : {false, true}) {
        for (const std::string* key : {static_cast<const std::string*>(nullptr), &password}) {
            SCOPED_TRACE(std::string(compress ? "compressed" : "plain") + (key ? ", enciphered" : ""));
            RecordFields fields;
            fields.id = 9;
            fields.type = static_cast<std::uint8_t>(NodeType::Binary);
            fields.compressed = compress;
            fields.enciphered = key != nullptr;
            std::vector<std::uint8_t> stored;
            std::string error;
            ASSERT_TRUE(EncodeNodeData(data, compress, key, stored, error)) << error;
            ContainerWriter whole;
            ASSERT_TRUE(whole.AppendRecord(fields, "Blob", stored, error)) << error;

            VectorSink sink;
            ContainerWriter streamed(sink);
            UnevenSource source(data, data.size());
            ASSERT_TRUE(streamed.AppendEncodedRecord(fields, "Blob", source, key, error)) << error;
            ASSERT_TRUE(streamed.End(error)) << error;
            EXPECT_EQ(sink.Bytes(), whole.Finish());

            Storage s;
            ASSERT_TRUE(s.OpenBytes(sink.Bytes().data(), sink.Bytes().size()));
            HeapBlock block;
            std::uint32_t size = 0;
            ASSERT_TRUE(s.GetBinary("Blob", block, size, password)) << s.LastError();
            ASSERT_EQ(size, data.size());
            EXPECT_EQ(std::memcmp(block.get(), data.data(), size), 0);
        }
    }
    // The compressed form is zlib's one-step stream at level 9, after the size.
    std::vector<std::uint8_t> stored;
    std::string error;
    ASSERT_TRUE(EncodeNodeData(data, true, nullptr, stored, error));
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::vector<std::uint8_t> reference(length);
    ASSERT_EQ(compress2(reference.data(), &length, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
    reference.resize(length);
    EXPECT_EQ(std::vector<std::uint8_t>(stored.begin() + kUnpackedSizePrefix, stored.end()), reference);
}

TEST(ContainerWriter, RefusesASourceThatChangesSize) {
    const std::vector<std::uint8_t> data = Sample(3000);
    RecordFields fields;
    fields.compressed = 1;
    for (const std::uint64_t announced : {std::uint64_t{2999}, std::uint64_t{3001}}) {
        VectorSink sink;
        ContainerWriter writer(sink);
        UnevenSource source(data, announced);
        std::string error;
        EXPECT_FALSE(writer.AppendEncodedRecord(fields, "Grown", source, nullptr, error));
        EXPECT_EQ(error, "it changed size while it was read");
    }
}

}  // namespace
}  // namespace storage::test
