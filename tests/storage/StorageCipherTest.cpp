// Known answers for the key rule and the check block, worked out by hand, and the
// refusals of the decoding steps.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "storage/StorageCipher.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

using Key = StorageCipher::Key;

// Each byte is rotated left by 2 and XORed into key[i % 8]; then bit 0 of every
// key byte is set or cleared so that the byte has an odd number of one bits.
//
//   ""          : all zero; 0x00 has no one bits -> 0x01 everywhere.
//   "pw"        : 'p' 0x70 = 0111 0000 -> rotl2 1100 0001 = 0xC1; bits 7..1 = 1100 000x
//                 hold 2 ones -> bit 0 set -> 0xC1.
//                 'w' 0x77 = 0111 0111 -> rotl2 1101 1101 = 0xDD; bits 7..1 = 1101 110x
//                 hold 5 ones -> bit 0 clear -> 0xDC. The rest 0x01.
//   "ABCDEFGHI" : 'A' 0x41 -> rotl2 0x05 and 'I' 0x49 -> rotl2 0x25 share key[0]:
//                 0x05 ^ 0x25 = 0x20 = 0010 000x, one 1 -> 0x20.
//                 'B' 0x42 -> 0x09 = 0000 100x, one 1 -> 0x08.
//                 'H' 0x48 -> 0x21 = 0010 000x, one 1 -> 0x20 (key[7]).
//   "\xFF"      : rotl2 0xFF = 1111 111x, seven 1s -> 0xFE.
//   "\xC0"      : 1100 0000 -> rotl2 0000 0011 = 0x03 = 0000 001x, one 1 -> 0x02.
struct KeyCase {
    std::string password;
    Key key;
};

TEST(StorageCipher, DeriveKeyKnownAnswers) {
    const KeyCase cases[] = {
        {"", {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}},
        {"pw", {0xC1, 0xDC, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}},
        {"ABCDEFGHI", {0x20, 0x08, 0x0D, 0x10, 0x15, 0x19, 0x1C, 0x20}},
        {"\xFF", {0xFE, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}},
        {"\xC0", {0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}},
    };
    // The rest of "ABCDEFGHI": 'C' 0x43 -> 0x0D = 0000 110x, two 1s -> 0x0D;
    // 'D' 0x44 -> 0x11 = 0001 000x, one 1 -> 0x10; 'E' 0x45 -> 0x15 = 0001 010x,
    // two 1s -> 0x15; 'F' 0x46 -> 0x19 = 0001 100x, two 1s -> 0x19;
    // 'G' 0x47 -> 0x1D = 0001 110x, three 1s -> 0x1C.
    const StorageCipher cipher;
    for (const auto& c : cases) EXPECT_EQ(cipher.DeriveKey(c.password), c.key) << "password " << c.password;
}

// The check text "60418273" is 36 30 34 31 38 32 37 33.
//   With "" (key 01 x 8) each byte flips bit 0: 37 31 35 30 39 33 36 32 = "71509362".
//   With "pw": 36^C1 = F7, 30^DC = EC, then the bytes of "71509362" after the second.
TEST(StorageCipher, CheckBlockKnownAnswers) {
    std::vector<std::uint8_t> stored;
    std::string error;
    const std::string empty;
    ASSERT_TRUE(EncodeNodeData({}, false, &empty, stored, error));
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "71509362");

    const std::string pw = "pw";
    ASSERT_TRUE(EncodeNodeData({}, false, &pw, stored, error));
    const std::vector<std::uint8_t> expected = {0xF7, 0xEC, '5', '0', '9', '3', '6', '2'};
    EXPECT_EQ(stored, expected);

    const StorageCipher cipher;
    EXPECT_TRUE(cipher.VerifyPassword(expected.data(), expected.size(), "pw"));
    EXPECT_FALSE(cipher.VerifyPassword(expected.data(), expected.size(), "pW"));
    EXPECT_FALSE(cipher.VerifyPassword(expected.data(), 7, "pw"));
}

TEST(StorageCipher, BodyKeystreamRestartsAfterTheCheckBlock) {
    const std::string pw = "pw";
    std::vector<std::uint8_t> stored;
    std::string error;
    ASSERT_TRUE(EncodeNodeData(Bytes("AB"), false, &pw, stored, error));
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[8], 'A' ^ 0xC1);
    EXPECT_EQ(stored[9], 'B' ^ 0xDC);

    const StorageCipher cipher;
    HeapBlock out;
    std::uint32_t size = 0;
    ASSERT_EQ(cipher.Decipher(stored.data(), stored.size(), "pw", out, size), 0);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(out[1], 'B');
}

TEST(StorageCipher, DecipherRefusalLeavesOutputsUntouched) {
    const std::string pw = "pw";
    std::vector<std::uint8_t> stored;
    std::string error;
    ASSERT_TRUE(EncodeNodeData(Bytes("data"), true, &pw, stored, error));
    const StorageCipher cipher;
    HeapBlock out;
    std::uint32_t size = 77;
    EXPECT_EQ(cipher.Decipher(stored.data(), stored.size(), "nope", out, size), -1);
    EXPECT_EQ(cipher.DecipherAndUnpack(stored.data(), stored.size(), "nope", out, size), -1);
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(cipher.DecipherAndUnpack(stored.data(), stored.size(), "pw", out, size), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out.get()), size), "data");
}

std::vector<std::uint8_t> Packed(std::uint32_t claimedSize, const std::string& text) {
    std::vector<std::uint8_t> out(4);
    StoreLE32(out.data(), claimedSize);
    uLongf bound = compressBound(static_cast<uLong>(text.size()));
    std::vector<std::uint8_t> stream(bound);
    EXPECT_EQ(compress2(stream.data(), &bound, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9), Z_OK);
    out.insert(out.end(), stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(bound));
    return out;
}

TEST(StorageCipher, UnpackNeedsTheExactSize) {
    const StorageCipher cipher;
    struct Case {
        const char* label;
        std::vector<std::uint8_t> bytes;
        bool ok;
    };
    auto truncated = Packed(9, "123456789");
    truncated.resize(truncated.size() - 3);
    auto corrupt = Packed(9, "123456789");
    corrupt[6] ^= 0x55;
    const Case cases[] = {
        {"exact", Packed(9, "123456789"), true},
        {"claims one more", Packed(10, "123456789"), false},
        {"claims one less", Packed(8, "123456789"), false},
        {"claims 4 GB", Packed(0xFFFFFFFF, "123456789"), false},
        {"empty text", Packed(0, ""), true},
        {"stream cut short", truncated, false},
        {"stream corrupted", corrupt, false},
        {"only the prefix", {9, 0, 0, 0}, false},
        {"shorter than the prefix", {9, 0}, false},
    };
    for (const auto& c : cases) {
        HeapBlock out;
        std::uint32_t size = 1234;
        const int rc = cipher.Unpack(c.bytes.data(), c.bytes.size(), out, size);
        EXPECT_EQ(rc, c.ok ? 0 : -1) << c.label;
        if (!c.ok) {
            EXPECT_EQ(size, 1234u) << c.label;
            EXPECT_EQ(out, nullptr) << c.label;
        }
    }
}

TEST(StorageCipher, UnpackAcceptsTheHighestRealCompressionRatio) {
    // Long runs of one byte come close to deflate's limit; they must still unpack.
    const std::string zeros(8 << 20, '\0');
    const auto packed = Packed(static_cast<std::uint32_t>(zeros.size()), zeros);
    const StorageCipher cipher;
    HeapBlock out;
    std::uint32_t size = 0;
    ASSERT_EQ(cipher.Unpack(packed.data(), packed.size(), out, size), 0);
    EXPECT_EQ(size, zeros.size());
}

}  // namespace
}  // namespace storage::test
