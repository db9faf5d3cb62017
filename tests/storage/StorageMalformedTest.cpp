// Containers that break the format: what Open says about them, and that the
// getters neither crash nor touch their out arguments on the nodes they reach.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "storage/Storage.h"
#include "storage/StorageErrors.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

using Container = std::vector<std::uint8_t>;

// Two plain integer nodes "A" (record at 12) and "B" (record at 12 + 28 + 4 = 44).
constexpr std::size_t kFirst = 12;
constexpr std::size_t kSecond = 44;
constexpr std::size_t kEnd = 76;  // the end marker

Container TwoNodes() {
    return MakeContainer({{1, 0, "A", NodeType::Integer, Int32Bytes(1)}, {2, 0, "B", NodeType::Integer, Int32Bytes(2)}});
}

void Put16(Container& c, std::size_t at, std::uint16_t v) {
    c[at] = static_cast<std::uint8_t>(v);
    c[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Container& c, std::size_t at, std::uint32_t v) { StoreLE32(c.data() + at, v); }

struct OpenCase {
    const char* label;
    std::function<void(Container&)> mutate;
    const char* message;  // null: opens
};

const OpenCase kOpenCases[] = {
    {"unchanged", [](Container&) {}, nullptr},
    {"13 bytes", [](Container& c) { c.resize(13); }, "Illegal file format."},
    {"empty", [](Container& c) { c.clear(); }, "Illegal file format."},
    {"header and end marker only", [](Container& c) { c.resize(14); c[12] = c[13] = 0; }, nullptr},
    {"wrong magic", [](Container& c) { c[3] = 'Z'; }, "Illegal file format."},
    {"version 1", [](Container& c) { c[4] = 1; }, "Illegal file format."},
    {"version 3", [](Container& c) { c[4] = 3; }, "Illegal file format."},
    {"highestId and sizeCopy disagree", [](Container& c) { Put32(c, 5, 1); Put32(c, kFirst + 22, 999); }, nullptr},
    {"end marker not zero", [](Container& c) { c[kEnd + 1] = 1; }, "Error in file body."},
    {"end marker missing", [](Container& c) { c.resize(kEnd); }, "Error in file body."},
    {"end marker cut in half", [](Container& c) { c.resize(kEnd + 1); }, "Error in file body."},
    {"two non-zero bytes after the last record", [](Container& c) { c[kEnd] = 0xAB; c[kEnd + 1] = 0xCD; },
     "Error in file body."},
    {"up to 25 bytes after the end marker ignored", [](Container& c) { c.insert(c.end(), 25, 0xEE); }, nullptr},
    {"26 bytes after the end marker read as a record", [](Container& c) { c.insert(c.end(), 26, 0xEE); },
     "Error in file body."},
    {"next offset pointing at itself", [](Container& c) { Put32(c, kSecond + 14, kSecond); }, "Error in file body."},
    {"next offset pointing back", [](Container& c) { Put32(c, kSecond + 14, kFirst); }, "Error in file body."},
    {"next offset past the end", [](Container& c) { Put32(c, kSecond + 14, 1000); }, "Error in file body."},
    {"next offset at the very end", [](Container& c) { Put32(c, kSecond + 14, kEnd + 2); }, "Error in file body."},
    {"record length 26 (no name byte)", [](Container& c) { Put16(c, kFirst, 26); }, "Error in file body."},
    {"record length 0", [](Container& c) { Put16(c, kFirst, 0); }, "Error in file body."},
    {"record length past the end", [](Container& c) { Put16(c, kSecond, 0xFFFF); }, "Error in file body."},
    {"name without its zero byte", [](Container& c) { c[kFirst + 27] = 'x'; }, "Error in file body."},
    {"data running past the end", [](Container& c) { Put32(c, kSecond + 18, 40); }, "Error in file body."},
    {"data size near 4 GB", [](Container& c) { Put32(c, kSecond + 18, 0xFFFFFFF0); }, "Error in file body."},
    // A record that is not a node record is skipped whole, however odd its fields.
    {"other kind with broken fields skipped",
     [](Container& c) {
         c[kFirst + 2] = 7;
         Put16(c, kFirst, 3);
         Put32(c, kFirst + 18, 0xFFFFFFFF);
     },
     nullptr},
};

class OpenRefusal : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenRefusal, MessageAndState) {
    const OpenCase& oc = GetParam();
    Container bytes = TwoNodes();
    oc.mutate(bytes);
    MessageCapture capture;
    Storage s;
    const bool opened = s.OpenBytes(bytes.data(), bytes.size());
    EXPECT_EQ(opened, oc.message == nullptr);
    if (oc.message) {
        EXPECT_EQ(capture.texts, std::vector<std::string>{oc.message});
        EXPECT_EQ(s.LastError(), "");  // Open failures are shown, not recorded
        EXPECT_FALSE(s.IsOpen());
        // Nothing of a refused container can be read.
        std::int32_t value = 42;
        EXPECT_FALSE(s.GetInteger("B", value, ""));
        EXPECT_EQ(s.LastError(), "Path invalid.");
        EXPECT_EQ(value, 42);
        // And a good container can be opened afterwards.
        const Container good = TwoNodes();
        EXPECT_TRUE(s.OpenBytes(good.data(), good.size()));
    } else {
        EXPECT_TRUE(capture.texts.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, OpenRefusal, ::testing::ValuesIn(kOpenCases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.label; *p; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
    }
    return name;
});

TEST(StorageMalformed, OtherKindIsSkippedAndTheChainContinues) {
    Container bytes = TwoNodes();
    bytes[kFirst + 2] = 0;
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 0;
    EXPECT_FALSE(s.GetInteger("A", value, ""));
    EXPECT_TRUE(s.GetInteger("B", value, ""));
    EXPECT_EQ(value, 2);
}

TEST(StorageMalformed, TwentyEightTrailingBytesAreReadAsAFurtherRecord) {
    // After the end marker (which is also the next record's length field), a record
    // of another kind whose next offset points to a fresh end marker.
    Container bytes = TwoNodes();
    bytes.resize(kEnd + 28 + 2, 0);
    bytes[kEnd + 2] = 9;  // kind
    Put32(bytes, kEnd + 14, kEnd + 28);
    Storage s;
    EXPECT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));

    // The same trailing bytes as a node record: its length 0 cannot hold a name.
    bytes[kEnd + 2] = 1;
    Storage t;
    MessageCapture capture;
    EXPECT_FALSE(t.OpenBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(capture.texts, std::vector<std::string>{"Error in file body."});
}

TEST(StorageMalformed, GapsBetweenRecordsReadTheSame) {
    ContainerWriter writer;
    std::string error;
    const auto four = Bytes(Int32Bytes(31));
    ASSERT_TRUE(writer.AppendRecord({1, 5, 0, 0, 0, 0}, "Gap", four, error));
    Container bytes = writer.Finish();
    // Move the end marker 10 bytes further and leave junk in between.
    bytes.insert(bytes.end() - 2, 10, 0x77);
    Put32(bytes, kFirst + 14, static_cast<std::uint32_t>(bytes.size() - 2));
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 0;
    ASSERT_TRUE(s.GetInteger("Gap", value, ""));
    EXPECT_EQ(value, 31);
}

TEST(StorageMalformed, UnknownTypeIsNotIndexedAndHidesItsChildren) {
    for (std::uint8_t type : {1, 5, 0xFF}) {
        Container bytes = MakeContainer({
            {1, 0, "Odd", NodeType::Folder, ""},
            {2, 1, "Child", NodeType::Integer, Int32Bytes(3)},
        });
        bytes[kFirst + 11] = type;
        Storage s;
        ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
        std::int32_t value = 8;
        EXPECT_FALSE(s.GetInteger("Odd", value, ""));
        EXPECT_EQ(s.LastError(), "Path invalid.");
        EXPECT_FALSE(s.GetInteger("Odd.Child", value, ""));
        EXPECT_EQ(s.LastError(), "Path invalid.");
        EXPECT_EQ(value, 8);
    }
}

TEST(StorageMalformed, UnreachableParentAndLaterDuplicate) {
    const Container bytes = MakeContainer({
        {1, 99, "Orphan", NodeType::Integer, Int32Bytes(1)},
        {2, 0, "Twin", NodeType::Integer, Int32Bytes(2)},
        {3, 0, "Twin", NodeType::Integer, Int32Bytes(3)},
        {4, 0, "Between", NodeType::Integer, Int32Bytes(4)},
        {5, 0, "Twin", NodeType::Integer, Int32Bytes(5)},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 0;
    EXPECT_FALSE(s.GetInteger("Orphan", value, ""));
    EXPECT_EQ(s.LastError(), "Path invalid.");
    ASSERT_TRUE(s.GetInteger("Twin", value, ""));
    EXPECT_EQ(value, 5);
    ASSERT_TRUE(s.GetInteger("Between", value, ""));
    EXPECT_EQ(value, 4);
}

TEST(StorageMalformed, CycleOfParentsEndsResolution) {
    const Container bytes = MakeContainer({
        {1, 2, "X", NodeType::Folder, ""},
        {2, 1, "Y", NodeType::Folder, ""},
        {3, 0, "Self", NodeType::Folder, ""},
        {3, 3, "Self", NodeType::Folder, ""},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 0;
    EXPECT_FALSE(s.GetInteger("X.Y", value, ""));
    EXPECT_EQ(s.LastError(), "Path invalid.");
    EXPECT_FALSE(s.GetInteger("Self.Self.Self.Self", value, ""));
    EXPECT_EQ(s.LastError(), "Other data type wanted.");
}

TEST(StorageMalformed, IntegerDecodedSizes) {
    const Container bytes = MakeContainer({
        {1, 0, "Packed4", NodeType::Integer, Int32Bytes(450), true},
        {2, 0, "Packed5", NodeType::Integer, "12345", true},
        {3, 0, "Plain3", NodeType::Integer, "123"},
        {4, 0, "Plain0", NodeType::Integer, ""},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 0;
    ASSERT_TRUE(s.GetInteger("Packed4", value, ""));
    EXPECT_EQ(value, 450);
    for (const char* path : {"Packed5", "Plain3", "Plain0"}) {
        value = -7;
        s.GetInteger("Nowhere", value, "");  // leaves a reason to be replaced
        EXPECT_FALSE(s.GetInteger(path, value, "")) << path;
        EXPECT_EQ(s.LastError(), "") << path;
        EXPECT_EQ(value, -7) << path;
    }
}

TEST(StorageMalformed, StringStopsAtTheFirstZeroByte) {
    const Container bytes = MakeContainer({
        {1, 0, "Z", NodeType::String, std::string("before\0after", 12), true},
        {2, 0, "Lead", NodeType::String, std::string("\0x", 2)},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::string text = "old";
    ASSERT_TRUE(s.GetString("Z", text, ""));
    EXPECT_EQ(text, "before");
    ASSERT_TRUE(s.GetString("Lead", text, ""));
    EXPECT_EQ(text, "");
}

TEST(StorageMalformed, BrokenStoredDataFailsWithoutAReason) {
    auto packed = [](std::uint32_t claimed, std::string text) {
        std::vector<std::uint8_t> out(4);
        StoreLE32(out.data(), claimed);
        uLongf bound = compressBound(static_cast<uLong>(text.size()));
        std::vector<std::uint8_t> stream(bound);
        compress2(stream.data(), &bound, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
        out.insert(out.end(), stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(bound));
        return out;
    };
    ContainerWriter writer;
    std::string error;
    const std::uint8_t binary = static_cast<std::uint8_t>(NodeType::Binary);
    ASSERT_TRUE(writer.AppendRecord({1, 1, 0, binary, 0, 1}, "Longer", packed(11, "0123456789"), error));
    ASSERT_TRUE(writer.AppendRecord({1, 2, 0, binary, 0, 1}, "Shorter", packed(9, "0123456789"), error));
    ASSERT_TRUE(writer.AppendRecord({1, 3, 0, binary, 0, 1}, "Huge", packed(0xFFFFFFFF, "x"), error));
    ASSERT_TRUE(writer.AppendRecord({1, 4, 0, binary, 0, 1}, "Prefix", Bytes("\x05\0\0\0"), error));
    ASSERT_TRUE(writer.AppendRecord({1, 5, 0, binary, 0, 1}, "Nothing", {}, error));
    ASSERT_TRUE(writer.AppendRecord({1, 6, 0, binary, 1, 0}, "ShortCheck", Bytes("7150936"), error));
    ASSERT_TRUE(writer.AppendRecord({1, 7, 0, binary, 1, 1}, "CheckOnly", Bytes("71509362"), error));
    const Container bytes = writer.Finish();
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    for (const char* path : {"Longer", "Shorter", "Huge", "Prefix", "Nothing", "CheckOnly"}) {
        HeapBlock block;
        std::uint32_t size = 1;
        EXPECT_FALSE(s.GetBinary(path, block, size, "")) << path;
        EXPECT_EQ(s.LastError(), "") << path;
        EXPECT_EQ(size, 1u) << path;
        EXPECT_EQ(block, nullptr) << path;
    }
    // Fewer than 8 enciphered bytes cannot hold a check block: no password fits.
    HeapBlock block;
    std::uint32_t size = 1;
    EXPECT_FALSE(s.GetBinary("ShortCheck", block, size, ""));
    EXPECT_EQ(s.LastError(), "Invalid password.");
}

TEST(StorageState, SecondOpenIsRefusedAndTheFirstStaysUsable) {
    const Container first = TwoNodes();
    const Container second = MakeContainer({{1, 0, "Other", NodeType::Integer, Int32Bytes(5)}});
    MessageCapture capture;
    Storage s;
    ASSERT_TRUE(s.OpenBytes(first.data(), first.size()));
    EXPECT_FALSE(s.OpenBytes(second.data(), second.size()));
    EXPECT_EQ(s.LastError(), "Can't already create object.");
    EXPECT_TRUE(capture.texts.empty());
    std::int32_t value = 0;
    EXPECT_TRUE(s.GetInteger("B", value, ""));
    EXPECT_EQ(value, 2);
    EXPECT_FALSE(s.GetInteger("Other", value, ""));

    EXPECT_TRUE(s.Close());
    EXPECT_FALSE(s.GetInteger("B", value, ""));
    EXPECT_EQ(s.LastError(), "Path invalid.");
    ASSERT_TRUE(s.OpenBytes(second.data(), second.size()));
    EXPECT_TRUE(s.GetInteger("Other", value, ""));
    EXPECT_EQ(value, 5);
}

TEST(StorageState, GettersOnAClosedStorageFindNothing) {
    Storage s;
    std::string text = "same";
    EXPECT_FALSE(s.GetString("A", text, ""));
    EXPECT_EQ(s.LastError(), "Path invalid.");
    EXPECT_EQ(text, "same");
    EXPECT_TRUE(s.Close());
}

TEST(StorageErrors, ReportShowsOneBoxPerNonZeroCode) {
    MessageCapture capture;
    ReportStorageError(0);
    ReportStorageError(kErrorFileBody);
    ReportStorageError(14);
    ReportStorageError(999);  // not in the table: shown as the unspecified error
    EXPECT_EQ(capture.texts, (std::vector<std::string>{"Error in file body.", "The end of file was reached",
                                                        "An unspecified error occurred"}));
}

}  // namespace
}  // namespace storage::test
