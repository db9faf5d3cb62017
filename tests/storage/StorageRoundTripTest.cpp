// Containers written by the writer and read back by the reader, over every node
// type and every combination of compression and enciphering.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/Storage.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

struct Encoding {
    const char* label;
    bool compress;
    std::optional<std::string> password;
};

const Encoding kEncodings[] = {
    {"plain", false, std::nullopt},
    {"compressed", true, std::nullopt},
    {"enciphered", false, "s3cret pass phrase"},
    {"compressed+enciphered", true, "s3cret pass phrase"},
    {"enciphered, empty password", false, ""},
    {"compressed+enciphered, empty password", true, ""},
};

class RoundTrip : public ::testing::TestWithParam<Encoding> {};

TEST_P(RoundTrip, EveryTypeReadsBackWithTheRightPassword) {
    const Encoding& e = GetParam();
    std::string binary(5000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7) ^ (i >> 3));
    const auto bytes = MakeContainer({
        {1, 0, "Folder", NodeType::Folder, ""},
        {2, 1, "Int", NodeType::Integer, Int32Bytes(-123456789), e.compress, e.password},
        {3, 1, "Text", NodeType::String, "hello, container", e.compress, e.password},
        {4, 1, "Blob", NodeType::Binary, binary, e.compress, e.password},
        {5, 1, "Empty", NodeType::Binary, "", e.compress, e.password},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    const std::string password = e.password.value_or("anything at all");

    std::int32_t value = 0;
    ASSERT_TRUE(s.GetInteger("Folder.Int", value, password)) << s.LastError();
    EXPECT_EQ(value, -123456789);

    std::string text;
    ASSERT_TRUE(s.GetString("Folder.Text", text, password)) << s.LastError();
    EXPECT_EQ(text, "hello, container");

    HeapBlock block;
    std::uint32_t size = 0;
    ASSERT_TRUE(s.GetBinary("Folder.Blob", block, size, password)) << s.LastError();
    ASSERT_EQ(size, binary.size());
    EXPECT_EQ(std::memcmp(block.get(), binary.data(), size), 0);

    // A compressed empty node is only a size prefix and a tiny stream: still readable.
    ASSERT_TRUE(s.GetBinary("Folder.Empty", block, size, password)) << s.LastError();
    EXPECT_EQ(size, 0u);
    EXPECT_NE(block, nullptr);
}

TEST_P(RoundTrip, WrongPasswordIsRefusedOnlyForEncipheredNodes) {
    const Encoding& e = GetParam();
    const auto bytes = MakeContainer({
        {2, 0, "Int", NodeType::Integer, Int32Bytes(7), e.compress, e.password},
        {3, 0, "Text", NodeType::String, "abc", e.compress, e.password},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 99;
    std::string text = "untouched";
    const bool enciphered = e.password.has_value();
    EXPECT_EQ(s.GetInteger("Int", value, "wrong"), !enciphered);
    EXPECT_EQ(s.GetString("Text", text, "wrong"), !enciphered);
    if (enciphered) {
        EXPECT_EQ(s.LastError(), "Invalid password.");
        EXPECT_EQ(value, 99);
        EXPECT_EQ(text, "untouched");
        // The password is checked before the type.
        HeapBlock block;
        std::uint32_t size = 5;
        EXPECT_FALSE(s.GetBinary("Int", block, size, "wrong"));
        EXPECT_EQ(s.LastError(), "Invalid password.");
        EXPECT_EQ(size, 5u);
        EXPECT_EQ(block, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, RoundTrip, ::testing::ValuesIn(kEncodings),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.label; *p; ++p) {
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             }
                             return name;
                         });

TEST(RoundTrip, CompressedStreamsUseMaximumCompression) {
    const auto bytes = MakeContainer({{1, 0, "A", NodeType::Binary, std::string(1000, 'x'), true}});
    // header 12, fixed part 26, name "A\0", size prefix 4, then the zlib header.
    ASSERT_GT(bytes.size(), 12u + 26 + 2 + 4 + 2);
    EXPECT_EQ(bytes[12 + 26 + 2 + 4], 0x78);
    EXPECT_EQ(bytes[12 + 26 + 2 + 5], 0xDA);
}

TEST(RoundTrip, WriterFillsHeaderAndSizeFields) {
    const auto bytes = MakeContainer({
        {40, 0, "B", NodeType::Binary, "12345", true},
        {7, 0, "C", NodeType::Integer, Int32Bytes(1)},
    });
    EXPECT_EQ(std::memcmp(bytes.data(), "TKDS\x02", 5), 0);
    EXPECT_EQ(LoadLE32(bytes.data() + kHeaderHighestIdAt), 40u);
    const std::uint8_t* first = bytes.data() + kHeaderSize;
    EXPECT_EQ(LoadLE16(first), 28u);
    EXPECT_EQ(LoadLE32(first + kRecordStoredSizeAt), LoadLE32(first + kRecordSizeCopyAt));
    const std::uint32_t next = LoadLE32(first + kRecordNextAt);
    EXPECT_EQ(next, kHeaderSize + 28 + LoadLE32(first + kRecordStoredSizeAt));
    // The file ends right after the end marker behind the last record.
    EXPECT_EQ(LoadLE32(bytes.data() + next + kRecordNextAt) + 2, bytes.size());
}

}  // namespace
}  // namespace storage::test
