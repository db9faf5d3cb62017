// The chain index that the tools use: every record in chain order, and the path
// under which the reader finds each one (none for records no path reaches).
#include <gtest/gtest.h>

#include "storage/ContainerIndex.h"
#include "storage/Storage.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

TEST(ContainerIndex, PathsFollowTheReadersRules) {
    auto bytes = MakeContainer({
        {3, 2, "1x", NodeType::Integer, Int32Bytes(450)},        // child before its parents
        {2, 1, "Sizes", NodeType::Folder, ""},
        {1, 0, "Backgrounds", NodeType::Folder, ""},
        {4, 0, "Twin", NodeType::Integer, Int32Bytes(1)},        // hidden by the later Twin
        {5, 0, "Twin", NodeType::Integer, Int32Bytes(2)},
        {6, 77, "Orphan", NodeType::Integer, Int32Bytes(3)},     // parent 77 does not exist
        {7, 0, "with.dot", NodeType::Integer, Int32Bytes(4)},    // no path can name it
        {8, 9, "LoopA", NodeType::Folder, ""},                   // a cycle away from the root
        {9, 8, "LoopB", NodeType::Folder, ""},
        {10, 0, "Odd", NodeType::Folder, ""},                    // type patched below
        {11, 10, "UnderOdd", NodeType::Integer, Int32Bytes(5)},
        {12, 0, "Secret", NodeType::String, "s", true, "pw"},
    });
    // Give "Odd" a type value that no node may carry.
    ContainerIndex probe;
    ASSERT_EQ(probe.Load(bytes.data(), bytes.size()), WalkResult::Ok);
    bytes[probe.Entries()[9].record.recordOffset + kRecordTypeAt] = 9;

    ContainerIndex index;
    ASSERT_EQ(index.Load(bytes.data(), bytes.size()), WalkResult::Ok);
    const std::vector<std::optional<std::string>> expected = {
        "Backgrounds.Sizes.1x", "Backgrounds.Sizes", "Backgrounds", std::nullopt, "Twin", std::nullopt,
        std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "Secret"};
    ASSERT_EQ(index.Entries().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(index.Entries()[i].path, expected[i]) << "record " << i;
    EXPECT_EQ(index.Header().highestId, 12u);

    // Every path the index gives resolves in the reader; Find normalizes as the reader does.
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 0;
    EXPECT_TRUE(s.GetInteger("Backgrounds.Sizes.1x", value, ""));
    EXPECT_TRUE(s.GetInteger("Twin", value, ""));
    EXPECT_EQ(value, 2);
    EXPECT_EQ(index.Find("..Backgrounds..Sizes.1x"), &index.Entries()[0]);
    EXPECT_EQ(index.Find("Twin"), &index.Entries()[4]);
    EXPECT_EQ(index.Find("Backgrounds.Sizes."), nullptr);
    EXPECT_EQ(index.Find("with.dot"), nullptr);
    EXPECT_EQ(index.Find(""), nullptr);

    std::uint32_t size = 0;
    EXPECT_FALSE(ContainerIndex::Decode(index.Entries()[11], "", size));
    const HeapBlock secret = ContainerIndex::Decode(index.Entries()[11], "pw", size);
    ASSERT_TRUE(secret);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(secret[0], 's');
}

TEST(ContainerIndex, KeepsTheRecordsReadBeforeAFailure) {
    auto bytes = MakeContainer({{1, 0, "A", NodeType::Integer, Int32Bytes(1)}});
    bytes.back() = 1;  // end marker
    ContainerIndex index;
    EXPECT_EQ(index.Load(bytes.data(), bytes.size()), WalkResult::BodyError);
    EXPECT_EQ(index.Entries().size(), 1u);
    bytes.resize(10);
    EXPECT_EQ(index.Load(bytes.data(), bytes.size()), WalkResult::IllegalFormat);
    EXPECT_TRUE(index.Entries().empty());
}

}  // namespace
}  // namespace storage::test
