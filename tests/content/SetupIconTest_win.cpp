// The setup program's icon group 128, linked in by the same resource script as
// the container: three images, 32 x 32 and 16 x 16 in 16 colours and 32 x 32 in
// 256 colours, each loadable by the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kIconGroupId = 128;

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

TEST(SetupIcon, GroupHoldsThe16And256ColourImages) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(kIconGroupId), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(self, found)));
    ASSERT_NE(bytes, nullptr);
    ASSERT_GE(SizeofResource(self, found), 6u);

    WORD header[3];
    std::memcpy(header, bytes, sizeof header);
    EXPECT_EQ(header[1], 1);  // icons, not cursors
    ASSERT_EQ(header[2], 3);
    ASSERT_GE(SizeofResource(self, found), 6u + 3 * sizeof(GroupIconEntry));

    const struct {
        int size, colours, bits;
    } expected[] = {{32, 16, 4}, {16, 16, 4}, {32, 0, 8}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        GroupIconEntry entry;
        std::memcpy(&entry, bytes + 6 + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, expected[i].size);
        EXPECT_EQ(entry.height, expected[i].size);
        EXPECT_EQ(entry.colourCount, expected[i].colours);
        EXPECT_EQ(entry.bitCount, expected[i].bits);
    }
}

TEST(SetupIcon, LoadsInBothSizes) {
    for (int size : {16, 32}) {
        HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kIconGroupId), IMAGE_ICON, size, size,
                                 LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
    }
}

}  // namespace
