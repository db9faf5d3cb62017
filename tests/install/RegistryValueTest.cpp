// Value paths and the conversion of raw registry values to text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/RegistryAccess.h"

namespace install {
namespace {

TEST(SplitValuePath, CutsAtTheLastBackslash) {
    struct Case {
        std::string path, key, value;
    };
    const Case cases[] = {
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
         "ProgramFilesDir"},
        {"Software\\Tolvik\\Pellumar\\Uninstall\\up", "Software\\Tolvik\\Pellumar\\Uninstall", "up"},
        {"NoKey", "", "NoKey"},
        {"Key\\", "Key", ""},
        {"\\Value", "", "Value"},
        {"", "", ""},
        {"A\\\\B", "A\\", "B"},
    };
    for (const Case& c : cases) {
        std::string key = "stale", value = "stale";
        RegistryAccess::SplitValuePath(c.path, key, value);
        EXPECT_EQ(key, c.key) << c.path;
        EXPECT_EQ(value, c.value) << c.path;
    }
}

TEST(RegistryValueToText, ByType) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint32_t type;
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        {{'a', 'b', 'c', 0}, StringValue, true, "abc"},
        {{'a', 'b', 'c', 0, 'x', 0}, StringValue, true, "abc"},
        {{'%', 'P', '%', 0}, ExpandStringValue, true, "%P%"},  // not expanded
        {{0}, StringValue, true, ""},
        {{}, StringValue, true, ""},
        {{42, 0, 0, 0}, DwordValue, true, "42"},
        {{0xFB, 0xFF, 0xFF, 0xFF}, DwordValue, true, "-5"},
        {{0x00, 0xCA, 0x9A, 0x3B}, DwordValue, true, "1000000000"},
        {{42, 0, 0}, DwordValue, false, "Can't convert to string"},  // too short for a DWORD
        {{1, 2, 3}, BinaryValue, false, "Binary data"},
        {{'a', 0, 'b', 0, 0}, MultiStringValue, false, "Can't convert to string"},
        {{1, 0, 0, 0, 0, 0, 0, 0}, 11 /* REG_QWORD */, false, "Can't convert to string"},
        {{1, 0, 0, 0}, 5 /* REG_DWORD_BIG_ENDIAN */, false, "Can't convert to string"},
        {{}, 0 /* REG_NONE */, false, "Can't convert to string"},
    };
    for (const Case& c : cases) {
        std::string text = "stale";
        EXPECT_EQ(RegistryAccess::RegistryValueToText(c.bytes.data(), c.bytes.size(), c.type, text), c.ok) << c.text;
        EXPECT_EQ(text, c.text);
    }
}

TEST(RegistryValueToText, StringWithoutZeroStaysInsideTheBuffer) {
    // A full 256-byte read buffer with no terminating zero, followed by bytes that
    // must never be read.
    std::vector<std::uint8_t> memory(300, 'y');
    std::fill(memory.begin(), memory.begin() + 256, 'x');
    std::string text;
    EXPECT_TRUE(RegistryAccess::RegistryValueToText(memory.data(), 256, StringValue, text));
    EXPECT_EQ(text, std::string(256, 'x'));
}

}  // namespace
}  // namespace install
