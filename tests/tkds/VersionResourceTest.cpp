// The version resource tkds make writes, read back by the setup program's own
// reader, and that reader against damaged resources.
#include <gtest/gtest.h>

#include "install/VersionInfo.h"
#include "tools/tkds/VersionResource.h"

namespace tkds {
namespace {

std::u16string Read(const std::vector<std::uint8_t>& resource, std::u16string_view key) {
    std::u16string value = u"(untouched)";
    install::FindVersionString(resource, key, value);
    return value;
}

VersionInfo Sample() {
    VersionInfo info;
    info.fileVersion = {2, 5, 0, 17};
    info.productVersion = {2, 5, 0, 17};
    info.strings = {{u"CompanyName", u"Orrin Vale GmbH"},
                    {u"FileDescription", u"Quill 2.5 Setup"},
                    {u"LegalCopyright", u""},  // left out
                    {u"ProductName", u"Quill \u00e9crit 2.5"},
                    {u"ProductVersion", u"2.5.0.17"}};
    return info;
}

TEST(VersionResource, StringsReadBackThroughTheSetupsReader) {
    const std::vector<std::uint8_t> resource = BuildVersionResource(Sample());
    EXPECT_EQ(Read(resource, u"CompanyName"), u"Orrin Vale GmbH");
    EXPECT_EQ(Read(resource, u"FileDescription"), u"Quill 2.5 Setup");
    EXPECT_EQ(Read(resource, u"ProductName"), u"Quill \u00e9crit 2.5");
    EXPECT_EQ(Read(resource, u"ProductVersion"), u"2.5.0.17");
    EXPECT_EQ(Read(resource, u"LegalCopyright"), u"(untouched)");
    EXPECT_EQ(Read(resource, u"Company"), u"(untouched)");
    // The root's length is the whole resource; the fixed part carries the numbers.
    ASSERT_GE(resource.size(), 40u + 52u);
    EXPECT_EQ(resource[0] | resource[1] << 8, static_cast<int>(resource.size()));
    EXPECT_EQ(resource.size() % 4, 0u);
    const std::size_t fixed = 40;  // 6 header bytes, "VS_VERSION_INFO" and its zero, padding
    const auto load32 = [&](std::size_t at) {
        return std::uint32_t(resource[at]) | resource[at + 1] << 8 | resource[at + 2] << 16 | std::uint32_t(resource[at + 3]) << 24;
    };
    EXPECT_EQ(load32(fixed), install::version_layout::kFixedSignature);
    EXPECT_EQ(load32(fixed + 8), 0x00020005u);
    EXPECT_EQ(load32(fixed + 12), 0x00000011u);
    EXPECT_EQ(BuildVersionResource(Sample()), resource);
}

TEST(VersionResource, DamagedResourcesGiveNothing) {
    const std::vector<std::uint8_t> good = BuildVersionResource(Sample());
    // Every cut of the resource is refused or still reads a complete text.
    for (std::size_t length = 0; length < good.size(); ++length) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        const std::u16string value = Read(cut, u"ProductVersion");
        EXPECT_TRUE(value == u"(untouched)" || value == u"2.5.0.17") << "length " << length;
    }
    std::vector<std::uint8_t> wrongRoot = good;
    wrongRoot[6] = 'X';
    EXPECT_EQ(Read(wrongRoot, u"ProductVersion"), u"(untouched)");
    std::vector<std::uint8_t> longerThanItself = good;
    longerThanItself[0] = 0xFF;
    longerThanItself[1] = 0x7F;
    EXPECT_EQ(Read(longerThanItself, u"ProductVersion"), u"(untouched)");
    // A child that claims less than a header would never advance.
    std::vector<std::uint8_t> zeroChild = good;
    zeroChild[92] = 2;
    zeroChild[93] = 0;
    EXPECT_EQ(Read(zeroChild, u"ProductVersion"), u"(untouched)");
    // A key without its terminating zero runs into the block's end.
    std::vector<std::uint8_t> unterminated(good.begin(), good.begin() + 36);
    unterminated[0] = 36;
    unterminated[1] = 0;
    for (std::size_t i = 6; i < 36; ++i) unterminated[i] = 'A';
    EXPECT_EQ(Read(unterminated, u"ProductVersion"), u"(untouched)");
}

TEST(VersionResource, NumbersAndTexts) {
    VersionNumber number{9, 9, 9, 9};
    EXPECT_TRUE(ParseVersionNumber("1.0.0.0", number));
    EXPECT_EQ(number, (VersionNumber{1, 0, 0, 0}));
    EXPECT_TRUE(ParseVersionNumber("65535.2.30.400", number));
    EXPECT_EQ(VersionText(number), "65535.2.30.400");
    for (const char* bad : {"", "1", "1.2.3", "1.2.3.4.5", "1.2.3.65536", "1..2.3", "1.2.3.", "a.b.c.d", "-1.0.0.0", "1.2.3.4 "}) {
        EXPECT_FALSE(ParseVersionNumber(bad, number)) << bad;
    }
    EXPECT_EQ(VersionText(number), "65535.2.30.400");

    std::u16string text = u"unchanged";
    EXPECT_TRUE(Utf8ToUtf16("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x93\xa6", text));
    EXPECT_EQ(text, u"Gr\u00fc\u00df \u20ac \U0001F4E6");
    for (const char* bad : {"\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80", "\xe2\x82"}) {
        EXPECT_FALSE(Utf8ToUtf16(bad, text)) << bad;
    }
    EXPECT_EQ(AnsiToUtf16("Caf\xe9 \x80 \x99"), u"Caf\u00e9 \u20ac \u2122");
}

}  // namespace
}  // namespace tkds
