// The chunked decoder against the writer: the bytes it was given back, for every
// encoding and for sizes on both sides of the decoder's buffer boundaries, and
// every kind of damage refused, by the chunks and by the block decoding alike. Stored bytes sit in blocks of their exact size,
// so a read past them shows under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "storage/ContainerWriter.h"
#include "storage/NodeData.h"
#include "storage/NodeStream.h"
#include "storage/Storage.h"
#include "storage/StorageCipher.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

constexpr std::size_t kChunkBound = 128 * 1024;  // no chunk the decoder hands out is larger

class RecordingSink final : public ByteSink {
public:
    explicit RecordingSink(std::size_t refuseAfter = SIZE_MAX) : refuseAfter_(refuseAfter) {}
    bool Write(const std::uint8_t* bytes, std::size_t count) override {
        if (calls++ == refuseAfter_) return false;
        largest = std::max(largest, count);
        received.insert(received.end(), bytes, bytes + count);
        return true;
    }
    std::vector<std::uint8_t> received;
    std::size_t largest = 0;
    std::size_t calls = 0;

private:
    std::size_t refuseAfter_;
};

struct Encoding {
    bool compress;
    std::optional<std::string> password;
};
const Encoding kEncodings[] = {{false, std::nullopt}, {true, std::nullopt}, {false, "pw"}, {true, "pw"}};

std::vector<std::uint8_t> Noise(std::size_t size, unsigned start) {
    std::mt19937 random(start);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& decoded, const Encoding& e) {
    std::vector<std::uint8_t> stored;
    std::string error;
    EXPECT_TRUE(EncodeNodeData(decoded, e.compress, e.password ? &*e.password : nullptr, stored, error)) << error;
    return stored;
}

// Streams stored from a block of its exact size; also checks that decoding into
// one block agrees on whether the bytes are sound.
StreamResult Stream(const std::vector<std::uint8_t>& stored, const Encoding& e, RecordingSink& sink,
                    std::string_view password) {
    HeapBlock exact = AllocateBlock(stored.size());
    if (!stored.empty()) std::memcpy(exact.get(), stored.data(), stored.size());
    const auto size = static_cast<std::uint32_t>(stored.size());
    const StreamResult result =
        StreamStoredData(exact.get(), size, e.password ? 1 : 0, e.compress ? 1 : 0, password, sink);
    std::uint32_t decodedSize = 0;
    const bool oneShot =
        DecodeStoredData(exact.get(), size, e.password ? 1 : 0, e.compress ? 1 : 0, password, decodedSize) != nullptr;
    if (result != StreamResult::SinkStopped) EXPECT_EQ(oneShot, result == StreamResult::Done);
    return result;
}

TEST(NodeStream, RoundTripsAcrossItsBufferBoundaries) {
    std::vector<std::size_t> sizes = {0, 1, 4, 8, 9, 256u << 10};
    for (std::size_t boundary : {64u << 10, 128u << 10}) {
        for (int delta : {-13, -9, -8, -4, -1, 0, 1, 8}) sizes.push_back(boundary + delta);
    }
    for (const Encoding& e : kEncodings) {
        for (std::size_t size : sizes) {
            // Noise fills many input chunks; a run of one byte inflates from few.
            std::vector<std::vector<std::uint8_t>> inputs = {Noise(size, static_cast<unsigned>(size))};
            if (e.compress) inputs.emplace_back(size, 7);
            for (const auto& decoded : inputs) {
                const std::string label = std::to_string(size) + (e.compress ? " compressed" : "") +
                                          (e.password ? " enciphered" : "");
                RecordingSink sink;
                ASSERT_EQ(Stream(Encode(decoded, e), e, sink, e.password.value_or("")), StreamResult::Done) << label;
                EXPECT_TRUE(sink.received == decoded) << label;
                EXPECT_LE(sink.largest, kChunkBound) << label;
            }
        }
    }
}

// The stored bytes the decoder reports as read, in the order it reports them.
std::vector<std::pair<const std::uint8_t*, std::size_t>> reportedReads;
void RecordRead(const std::uint8_t* bytes, std::size_t length) { reportedReads.emplace_back(bytes, length); }

TEST(NodeStream, ReportsTheStoredBytesItHasRead) {
    const std::vector<std::uint8_t> decoded = Noise(3u << 20, 3);
    for (const Encoding& e : kEncodings) {
        const std::vector<std::uint8_t> stored = Encode(decoded, e);
        reportedReads.clear();
        RecordingSink sink;
        ASSERT_EQ(StreamStoredData(stored.data(), static_cast<std::uint32_t>(stored.size()), e.password ? 1 : 0,
                                   e.compress ? 1 : 0, e.password.value_or(""), sink, &RecordRead),
                  StreamResult::Done);
        // Front to back without gaps from the body (after a cipher's check block) to the
        // end, in steps of a megabyte or more, so that a caller can drop what was read.
        const std::uint8_t* next = stored.data() + (e.password ? kCheckBlockSize : 0);
        for (std::size_t i = 0; i < reportedReads.size(); ++i) {
            EXPECT_EQ(reportedReads[i].first, next) << i;
            if (i + 1 < reportedReads.size()) EXPECT_GE(reportedReads[i].second, 1u << 20) << i;
            next = reportedReads[i].first + reportedReads[i].second;
        }
        EXPECT_EQ(next, stored.data() + stored.size());
        EXPECT_GE(reportedReads.size(), 3u);
    }
}

TEST(NodeStream, DamageIsRefused) {
    const std::vector<std::uint8_t> decoded = Noise(300000, 1);  // deflate keeps noise in stored blocks
    for (const Encoding& e : kEncodings) {
        if (!e.compress) continue;
        const std::vector<std::uint8_t> good = Encode(decoded, e);
        const std::size_t prefixAt = e.password ? 8 : 0;
        const std::string password = e.password.value_or("");
        // The size prefix and the last byte (of the Adler-32), changed under the keystream.
        auto withSize = [&](std::int64_t delta) {
            std::vector<std::uint8_t> bytes = good;
            std::uint8_t* prefix = bytes.data() + prefixAt;
            StoreLE32(prefix, static_cast<std::uint32_t>(decoded.size() + delta));
            const StorageCipher cipher;
            if (e.password) cipher.XorInto(prefix, 4, cipher.DeriveKey(password), 0, prefix);
            return bytes;
        };
        auto changed = [&](std::size_t at) {
            std::vector<std::uint8_t> bytes = good;
            bytes[at] ^= 0x20;
            return bytes;
        };
        auto cut = [&](std::size_t keep) { return std::vector<std::uint8_t>(good.begin(), good.begin() + keep); };
        const std::vector<std::uint8_t> cases[] = {
            cut(good.size() - 1), cut(good.size() - 4), cut(good.size() / 2), cut(prefixAt + 4), cut(prefixAt + 6),
            changed(good.size() / 2), changed(good.size() - 1), withSize(+1), withSize(-1),
        };
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            RecordingSink sink;
            EXPECT_EQ(Stream(cases[i], e, sink, password), StreamResult::Damaged) << "case " << i;
            EXPECT_LE(sink.received.size(), decoded.size()) << "case " << i;
        }
        RecordingSink refused;
        if (e.password) EXPECT_EQ(Stream(good, e, refused, "wrong"), StreamResult::Damaged);
        // Bytes after the end of the zlib stream are ignored, as zlib's uncompress ignores them.
        std::vector<std::uint8_t> trailing = good;
        trailing.push_back(0x55);
        RecordingSink sink;
        EXPECT_EQ(Stream(trailing, e, sink, password), StreamResult::Done);
        EXPECT_TRUE(sink.received == decoded);
    }
}

TEST(NodeStream, ASinkThatRefusesStopsTheDecoding) {
    const std::vector<std::uint8_t> decoded = Noise(1 << 20, 2);
    for (const Encoding& e : kEncodings) {
        RecordingSink sink(1);
        EXPECT_EQ(Stream(Encode(decoded, e), e, sink, e.password.value_or("")), StreamResult::SinkStopped);
        EXPECT_EQ(sink.calls, 2u);
    }
}

TEST(NodeStream, StorageGivesSizesAndStreamsByPath) {
    const std::string blob(200000, 'b');
    const auto bytes = MakeContainer({
        {1, 0, "Blob", NodeType::Binary, blob, true, "pw"},
        {2, 0, "Text", NodeType::String, "t", true},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::uint32_t size = 0;
    ASSERT_TRUE(s.GetBinarySize("Blob", size, "pw"));
    EXPECT_EQ(size, blob.size());
    RecordingSink sink;
    ASSERT_EQ(s.StreamBinary("Blob", sink, "pw"), StreamResult::Done);
    EXPECT_EQ(std::string(sink.received.begin(), sink.received.end()), blob);

    // The getters' reasons, in their order; nothing reaches the sink or the size.
    const struct {
        const char* path;
        const char* password;
        const char* reason;
    } refusals[] = {{"Missing", "pw", "Path invalid."}, {"Blob", "no", "Invalid password."},
                    {"Text", "pw", "Other data type wanted."}};
    for (const auto& r : refusals) {
        RecordingSink nothing;
        EXPECT_EQ(s.StreamBinary(r.path, nothing, r.password), StreamResult::Damaged);
        EXPECT_EQ(s.LastError(), r.reason);
        EXPECT_FALSE(s.GetBinarySize(r.path, size, r.password));
        EXPECT_EQ(s.LastError(), r.reason);
        EXPECT_TRUE(nothing.received.empty());
    }
    EXPECT_EQ(size, blob.size());
}

}  // namespace
}  // namespace storage::test
