// The dotted path rules, against a small tree.
#include <gtest/gtest.h>

#include "storage/Storage.h"
#include "storage/StoragePath.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

TEST(SplitPath, Segments) {
    using V = std::vector<std::string_view>;
    const std::pair<std::string_view, V> cases[] = {
        {"a", {"a"}},
        {"a.b.c", {"a", "b", "c"}},
        {"a..b", {"a", "b"}},
        {".a", {"a"}},
        {"..a...b", {"a", "b"}},
        {"a.", {"a", ""}},
        {"a..", {"a", ""}},
        {"", {""}},
        {".", {""}},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(SplitPath(path), expected) << "path \"" << path << '"';
}

TEST(StoragePath, ResolutionRules) {
    const auto bytes = MakeContainer({
        // Children before their parents, as the shipped container stores them.
        {3, 2, "1x", NodeType::Integer, Int32Bytes(450)},
        {2, 1, "Sizes", NodeType::Folder, ""},
        {1, 0, "Backgrounds", NodeType::Folder, ""},
        {9, 0, "Top", NodeType::Integer, Int32Bytes(9)},
        {10, 0, "with.dot", NodeType::Integer, Int32Bytes(10)},
        {11, 0, "", NodeType::Integer, Int32Bytes(11)},
        {12, 0, "\xC4rger", NodeType::Integer, Int32Bytes(12)},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    struct Case {
        std::string path;
        std::optional<std::int32_t> value;  // none: "Path invalid."
    };
    const Case cases[] = {
        {"Backgrounds.Sizes.1x", 450},
        {"Backgrounds..Sizes.1x", 450},
        {".Backgrounds.Sizes.1x", 450},
        {"Backgrounds.Sizes.1x.", std::nullopt},
        {"Backgrounds.Sizes.", std::nullopt},
        {"backgrounds.sizes.1x", std::nullopt},
        {"Backgrounds.Sizes.1X", std::nullopt},
        {"Sizes.1x", std::nullopt},
        {"1x", std::nullopt},
        {"Top", 9},
        {"Top.", std::nullopt},
        {"with.dot", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {"\xC4rger", 12},
        {"Backgrounds.Sizes.1x.more", std::nullopt},
    };
    for (const auto& c : cases) {
        std::int32_t value = -1;
        const bool ok = s.GetInteger(c.path, value, "");
        EXPECT_EQ(ok, c.value.has_value()) << "path \"" << c.path << '"';
        if (c.value) {
            EXPECT_EQ(value, *c.value) << "path \"" << c.path << '"';
        } else {
            EXPECT_EQ(value, -1);
            EXPECT_EQ(s.LastError(), "Path invalid.") << "path \"" << c.path << '"';
        }
    }
}

TEST(StoragePath, FolderResolvesButHasNoGetter) {
    const auto bytes = MakeContainer({
        {1, 0, "Backgrounds", NodeType::Folder, ""},
        {2, 0, "Text", NodeType::String, "t", true},
    });
    Storage s;
    ASSERT_TRUE(s.OpenBytes(bytes.data(), bytes.size()));
    std::int32_t value = 5;
    EXPECT_FALSE(s.GetInteger("Backgrounds", value, ""));
    EXPECT_EQ(s.LastError(), "Other data type wanted.");
    EXPECT_EQ(value, 5);
    HeapBlock block;
    std::uint32_t size = 3;
    EXPECT_FALSE(s.GetBinary("Text", block, size, ""));
    EXPECT_EQ(s.LastError(), "Other data type wanted.");
    EXPECT_EQ(size, 3u);
    // Success does not clear the last reason.
    std::string text;
    EXPECT_TRUE(s.GetString("Text", text, ""));
    EXPECT_EQ(s.LastError(), "Other data type wanted.");
}

}  // namespace
}  // namespace storage::test
