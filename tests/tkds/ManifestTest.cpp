// The manifest language: what it accepts, and the line and reason of every refusal.
#include <gtest/gtest.h>

#include "tools/tkds/Manifest.h"

namespace tkds {
namespace {

using storage::NodeType;

std::vector<ManifestEntry> ParseOk(std::string_view text, const Defines& defines = {}) {
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    EXPECT_TRUE(ParseManifest(text, defines, entries, errors));
    for (const auto& e : errors) ADD_FAILURE() << "line " << e.line << ": " << e.reason;
    return entries;
}

TEST(Manifest, AcceptsTheAgreedForm) {
    const auto entries = ParseOk(
        "# comment\r\n"
        "\n"
        "Backgrounds.Sizes.1x   Integer id=3   value=450\r\n"
        "Backgrounds.Sizes      Folder  id=2\n"
        "   Backgrounds\tFolder id=1   # trailing comment\n"
        "Backgrounds.1          Binary  id=128 compress=yes file=skin/background.png convert=rgb\n"
        "Data.prg Binary id=130 compress=no file=${DEMO_EXE}\n"
        "Data Folder id=116\n"
        "Secret String id=4294967295 compress=yes password=\"p w\" value=\"say \\\"hi\\\" \\\\ C:\\dir\"\n"
        "Neg Integer id=9 value=-2147483648\n"
        "\"Two words\" Binary id=10 value=x#y",
        {{"DEMO_EXE", "/abs/demo.exe"}});
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].line, 3);
    EXPECT_EQ(entries[0].type, NodeType::Integer);
    EXPECT_EQ(entries[0].segments, (std::vector<std::string>{"Backgrounds", "Sizes", "1x"}));
    EXPECT_EQ(*entries[0].value, "450");
    EXPECT_EQ(entries[2].line, 5);
    EXPECT_EQ(entries[3].convert, PixelLayout::Rgb);
    EXPECT_EQ(entries[3].compress, tkds::Compression::Zlib);
    EXPECT_EQ(*entries[3].file, "skin/background.png");
    EXPECT_EQ(*entries[4].file, "/abs/demo.exe");
    EXPECT_EQ(entries[4].compress, tkds::Compression::None);
    EXPECT_EQ(entries[6].id, 4294967295u);
    EXPECT_EQ(*entries[6].password, "p w");
    EXPECT_EQ(*entries[6].value, "say \"hi\" \\ C:\\dir");
    EXPECT_EQ(*entries[7].value, "-2147483648");
    EXPECT_EQ(entries[8].path, "Two words");
    EXPECT_EQ(*entries[8].value, "x#y");
}

struct BadCase {
    const char* text;
    int line;
    const char* reasonPart;
};

TEST(Manifest, RefusalsNameTheLineAndTheReason) {
    const BadCase cases[] = {
        {"A Integer value=1", 1, "missing id="},
        {"A Integer id=0 value=1", 1, "id must be"},
        {"A Integer id=4294967296 value=1", 1, "id must be"},
        {"A Integer id=-1 value=1", 1, "id must be"},
        {"A Integer id=1x value=1", 1, "id must be"},
        {"A Integer id=1 value=2147483648", 1, "32-bit decimal"},
        {"A Integer id=1 value=12abc", 1, "32-bit decimal"},
        {"A Integer id=1 file=x.bin", 1, "Integer takes its number from value="},
        {"A Integer id=1", 1, "missing value= or file="},
        {"A String id=1 value=a file=b", 1, "either value= or file="},
        {"A Text id=1 value=1", 1, "unknown type 'Text'"},
        {"A integer id=1 value=1", 1, "unknown type"},
        {"A", 1, "expected a path and a type"},
        {"A Binary id=1 value=1 colour=red", 1, "unknown option 'colour'"},
        {"A Binary id=1 value=1 loose", 1, "expected key=value"},
        {"A Binary id=1 id=2 value=1", 1, "given twice"},
        {"A Binary id=1 value=1 compress=yes compress=no", 1, "option 'compress' given twice"},
        {"A String id=1 value=1 password=a password=b", 1, "option 'password' given twice"},
        {"A Binary id=1 compress=maybe value=1", 1, "compress must be yes, no or lzma"},
        {"A Binary id=1 value=1 convert=rgb", 1, "convert= applies"},
        {"A String id=1 file=a.png convert=rgb", 1, "convert= applies"},
        {"A Binary id=1 file=a.png convert=bmp", 1, "convert must be rgb, rgba-t or dib24"},
        {"A Folder id=1 value=1", 1, "a Folder takes no value="},
        {"A Folder id=1 compress=yes", 1, "a Folder takes no compress="},
        {"A Folder id=1 password=x", 1, "a Folder takes no password="},
        {"A Binary id=1 value=\"open", 1, "unterminated quote"},
        {"A..B Binary id=1 value=1", 1, "empty name in path"},
        {".A Binary id=1 value=1", 1, "empty name in path"},
        {"A. Binary id=1 value=1", 1, "empty name in path"},
        {"A Binary id=1 file=${NOPE}", 1, "undefined variable 'NOPE'"},
        {"A Binary id=1 file=${OPEN", 1, "unterminated ${"},
        {"A Binary id=1 file=${a-b}", 1, "invalid variable name"},
        {"A Binary id=1 file=", 1, "file= needs a file name"},
        {"A Folder id=1\nB Folder id=1", 2, "id 1 already used on line 1"},
        {"A Folder id=1\n\nA Folder id=2", 3, "'A' already defined on line 1"},
        {"A.B Binary id=2 value=1", 1, "parent 'A' is not in the manifest"},
        {"A Binary id=1 value=1\nA.B Binary id=2 value=1", 2, "parent 'A' is not a Folder (line 1)"},
    };
    for (const auto& c : cases) {
        std::vector<ManifestEntry> entries;
        std::vector<ManifestError> errors;
        EXPECT_FALSE(ParseManifest(c.text, {{"A_1", "x"}}, entries, errors)) << c.text;
        ASSERT_EQ(errors.size(), 1u) << c.text;
        EXPECT_EQ(errors[0].line, c.line) << c.text;
        EXPECT_NE(errors[0].reason.find(c.reasonPart), std::string::npos)
            << c.text << "\n  reason: " << errors[0].reason;
    }
}

TEST(Manifest, ParentsMayFollowTheirChildrenAndEveryErrorIsReported) {
    ParseOk("A.B.C Integer id=3 value=1\nA.B Folder id=2\nA Folder id=1\n");
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    EXPECT_FALSE(ParseManifest("X Integer id=1\nY Folder\nZ Folder id=1\n", {}, entries, errors));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, 1);
    EXPECT_EQ(errors[1].line, 2);
}

TEST(Manifest, DefineNames) {
    EXPECT_TRUE(IsDefineName("DEMO_EXE"));
    EXPECT_TRUE(IsDefineName("x1"));
    EXPECT_FALSE(IsDefineName(""));
    EXPECT_FALSE(IsDefineName("A-B"));
    EXPECT_FALSE(IsDefineName("A B"));
}

}  // namespace
}  // namespace tkds
