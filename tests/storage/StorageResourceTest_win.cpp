// The reader on Windows, opening containers from the program's own resources.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "storage/Storage.h"
#include "tests/storage/TestContainers.h"

namespace storage::test {
namespace {

TEST(StorageResource, OpensItsOwnContainerAndReadsEveryType) {
    MessageCapture capture;
    Storage s;
    ASSERT_TRUE(s.Open(129));
    std::int32_t value = 0;
    ASSERT_TRUE(s.GetInteger("Backgrounds.Sizes.1x", value, ""));
    EXPECT_EQ(value, 450);
    EXPECT_FALSE(s.GetInteger("Backgrounds.Sizes.", value, ""));
    EXPECT_EQ(s.LastError(), "Path invalid.");
    EXPECT_FALSE(s.GetInteger("Backgrounds", value, ""));
    EXPECT_EQ(s.LastError(), "Other data type wanted.");
    ASSERT_TRUE(s.GetInteger("Hidden", value, ""));
    EXPECT_EQ(value, -7);

    std::string text;
    ASSERT_TRUE(s.GetString("Data.idoc", text, ""));
    EXPECT_EQ(text, "[Setup]\\r\\nName=Test");

    HeapBlock data;
    std::uint32_t size = 0;
    ASSERT_TRUE(s.GetBinary("Data.manifest", data, size, ""));
    const char* start = "# The container that the resource test program carries";
    ASSERT_GT(size, std::strlen(start));
    EXPECT_EQ(std::memcmp(data.get(), start, std::strlen(start)), 0);
    EXPECT_TRUE(capture.texts.empty());
}

TEST(StorageResource, SecondOpenIsRefusedWithoutABox) {
    MessageCapture capture;
    Storage s;
    ASSERT_TRUE(s.Open(129));
    EXPECT_FALSE(s.Open(129));
    EXPECT_EQ(s.LastError(), "Can't already create object.");
    EXPECT_TRUE(capture.texts.empty());
    std::int32_t value = 0;
    EXPECT_TRUE(s.GetInteger("Backgrounds.Sizes.1x", value, ""));
}

TEST(StorageResource, IdIsTakenAsA16BitName) {
    Storage s;
    EXPECT_TRUE(s.Open(129 + 0x10000));
}

TEST(StorageResource, RefusedResources) {
    struct Case {
        int id;
        const char* message;
    };
    const Case cases[] = {
        {555, "Illegal file format."},  // no such resource: a container of length 0
        {0, "Illegal file format."},
        {130, "Illegal file format."},  // 13 bytes
        {131, "Error in file body."},   // end marker 1
    };
    for (const auto& c : cases) {
        MessageCapture capture;
        Storage s;
        EXPECT_FALSE(s.Open(c.id)) << c.id;
        EXPECT_EQ(capture.texts, std::vector<std::string>{c.message}) << c.id;
        EXPECT_TRUE(s.Open(129)) << "after refusing " << c.id;
    }
}

TEST(StorageResource, ResourceBytesAreReadInPlace) {
    // The reader keeps no copy: what it hands out comes from the locked resource,
    // which stays where the loader put it for the life of the process.
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(129), "STORAGE");
    ASSERT_NE(resource, nullptr);
    const DWORD length = SizeofResource(nullptr, resource);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::memcmp(bytes, "TKDS\x02", 5), 0);
    Storage fromResource;
    Storage fromBytes;
    ASSERT_TRUE(fromResource.Open(129));
    ASSERT_TRUE(fromBytes.OpenBytes(bytes, length));
    std::string a;
    std::string b;
    ASSERT_TRUE(fromResource.GetString("Data.idoc", a, ""));
    ASSERT_TRUE(fromBytes.GetString("Data.idoc", b, ""));
    EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace storage::test
