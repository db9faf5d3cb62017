#include <gtest/gtest.h>

#include "framework/Utf8Units.h"
#include "install/LinkFreePath.h"
#include "install/NameRule.h"
#include "install/PathRules.h"
#include "install/PathText.h"
#include "install/ShortcutPath.h"

namespace install {
namespace {

TEST(NormalizeLocalPath, AcceptsLocalPathsInOneSpelling) {
    const struct {
        const char* path;
        const char* normalized;
    } cases[] = {
        {"C:\\Program Files\\Tolvik\\Pellumar\\", "C:\\Program Files\\Tolvik\\Pellumar"},
        {"c:/apps//b\\\\", "C:\\apps\\b"},
        {"C:\\", "C:\\"},
        {"d:\\", "D:\\"},
        {"C:\\Tolvik Pellumar 1.0\\.hidden", "C:\\Tolvik Pellumar 1.0\\.hidden"},
        {"C:\\A\\\\B\\", "C:\\A\\B"},  // a doubled "\" from a typed destination
    };
    for (const auto& c : cases) {
        const auto normalized = NormalizeLocalPath(c.path);
        ASSERT_TRUE(normalized.has_value()) << c.path;
        EXPECT_EQ(*normalized, c.normalized) << c.path;
    }
}

TEST(NormalizeLocalPath, RefusesAnythingButAPlainLocalPath) {
    const char* refused[] = {
        "",
        "C",
        "C:",
        "C:Program Files",
        "1:\\x",
        "\\\\server\\share\\Pellumar",
        "\\\\?\\C:\\Windows",
        "\\Pellumar.dll",
        "C:\\Program Files\\..\\Windows",
        "C:\\a\\.\\b",
        "C:\\a\\...\\b",
        "C:\\a\\b.",         // the system would strip the dot and name "b"
        "C:\\a\\b \\c",      // and the blank
        "C:\\a\\file.txt:stream",
        "C:\\a\\*.dll",
        "C:\\a\\b?",
        "C:\\a\\b\"",
        "C:\\a\\b|c",
        "C:\\a\tb",
    };
    for (const char* path : refused) EXPECT_FALSE(NormalizeLocalPath(path).has_value()) << path;
}

TEST(NormalizeLocalPath, LimitsTheLengthToTheSystemPathBuffer) {
    const std::string longest = "C:\\" + std::string(kMaxPathLength - 3, 'a');
    EXPECT_TRUE(NormalizeLocalPath(longest).has_value());
    EXPECT_FALSE(NormalizeLocalPath(longest + "b").has_value());
    // Doubled separators do not count against the limit once dropped.
    EXPECT_TRUE(NormalizeLocalPath("C:\\\\" + std::string(kMaxPathLength - 3, 'a')).has_value());
}

// The system counts UTF-16 units, not UTF-8 bytes: "ü" is one unit and two bytes,
// a character beyond the Basic Multilingual Plane two units and four bytes. The
// same count limits names and shortcut paths.
TEST(PathLength, CountsUtf16UnitsAsTheSystemDoes) {
    std::string umlauts;
    for (int i = 0; i < 200; ++i) umlauts += "\xc3\xbc";  // 400 bytes
    EXPECT_EQ(framework::Utf16Length(umlauts), 200u);
    EXPECT_EQ(framework::Utf16Length("C:\\\xe6\x97\xa5\xf0\x9f\x98\x80"), 6u);  // "C:\日😀"
    EXPECT_EQ(framework::Utf16Length("\xff\xc3"), 2u);  // what is not UTF-8 counts as U+FFFD

    EXPECT_TRUE(NormalizeLocalPath("C:\\" + umlauts).has_value());
    std::string longest = "C:\\";
    while (framework::Utf16Length(longest) < kMaxPathLength) longest += "\xc3\xbc";
    EXPECT_TRUE(NormalizeLocalPath(longest).has_value());
    EXPECT_FALSE(NormalizeLocalPath(longest + "\xc3\xbc").has_value());

    std::string name;
    for (std::size_t i = 0; i < kMaxNamePart; ++i) name += "\xce\xa9";  // 510 bytes of "Ω"
    EXPECT_EQ(CheckName(name), NameFault::None);
    EXPECT_EQ(CheckName(name + "\xce\xa9"), NameFault::TooLong);

    std::string folder = "C:\\" + umlauts;  // 203 units; with a separator and ".lnk", 208
    EXPECT_TRUE(AppendShortcutFile(folder, std::string(51, 'n')));
    EXPECT_EQ(framework::Utf16Length(folder), kMaxShortcutPath);
    folder = "C:\\" + umlauts;
    EXPECT_FALSE(AppendShortcutFile(folder, std::string(52, 'n')));
}

TEST(PathComparison, IgnoresCaseAndNeedsAWholePartAtTheBoundary) {
    const struct {
        const char* path;
        const char* folder;
        bool inside;
        bool sameOrInside;
    } cases[] = {
        {"C:\\A\\B", "C:\\A", true, true},
        {"c:\\a\\b", "C:\\A", true, true},
        {"C:\\AB", "C:\\A", false, false},
        {"C:\\A", "C:\\A", false, true},
        {"C:\\a", "C:\\A", false, true},
        {"C:\\A", "C:\\", true, true},
        {"C:\\A", "C:\\A\\B", false, false},
        {"D:\\A\\B", "C:\\A", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsInside(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
        EXPECT_EQ(IsSameOrInside(c.path, c.folder), c.sameOrInside) << c.path << " in " << c.folder;
    }
    EXPECT_TRUE(SamePathText("C:\\Program Files", "c:\\PROGRAM FILES"));
    EXPECT_FALSE(SamePathText("C:\\Program Files", "C:\\Program File"));
}

// Letter case is ignored in every script, as the file system ignores it; what has
// no case, and bytes that are not UTF-8, must match exactly.
TEST(PathComparison, IgnoresCaseBeyondAscii) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"C:\\Programme\\\xc3\x9c" "ber", "c:\\programme\\\xc3\xbc" "ber", true},  // Über, über
        {"C:\\\xce\xa9mega", "c:\\\xcf\x89mega", true},                           // Ωmega, ωmega
        {"C:\\\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0",
         "c:\\\xd0\xbc\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0", true},          // Москва, москва
        {"C:\\\xe6\x97\xa5\xe6\x9c\xac", "c:\\\xe6\x97\xa5\xe6\x9c\xac", true},     // 日本 has no case
        {"C:\\\xc3\xbc", "C:\\u", false},
        {"C:\\\xc3\xbc", "C:\\\xc3\xbd", false},                                   // ü, ý
        {"C:\\\xff", "C:\\\xff", true},
        {"C:\\\xff", "C:\\\xfe", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SamePathText(c.a, c.b), c.same) << c.a << " / " << c.b;

    EXPECT_EQ(FoldedPath("c:\\\xc3\xbc\xce\xb1\xd0\xb6"), "C:\\\xc3\x9c\xce\x91\xd0\x96");  // üαж
    EXPECT_TRUE(IsInside("c:\\programme\\\xc3\xbc" "ber\\a.exe", "C:\\Programme\\\xc3\x9c" "ber"));
    EXPECT_TRUE(IsSameOrInside("C:\\\xd0\x9c\xd0\xbe", "c:\\\xd0\xbc\xd0\xbe"));
    EXPECT_FALSE(IsInside("C:\\\xc3\x9c" "ber2\\a", "C:\\\xc3\xbc" "ber"));

    // Every path helper folds the same way: the held folders' keys, the journal's.
    EXPECT_EQ(FolderKey("c:\\\xc3\xbc" "ber/\xcf\x89"), FolderKey("C:\\\xc3\x9c" "BER\\\xce\xa9\\"));
    EXPECT_TRUE(SameFinalPath("\\\\?\\C:\\\xc3\x9c" "ber\\", "c:\\\xc3\xbc" "ber"));
}

// The setup program's own rule for group and shortcut names (install::CheckName):
// what setup accepts and logs, the uninstaller takes back, and nothing else.
TEST(IsPlainName, AcceptsOnlyOnePathPart) {
    const struct {
        std::string name;
        bool plain;
    } cases[] = {
        {"Tolvik Pellumar 1.0", true},
        {"Readme.LNK", true},
        {"License & Reg.Information", true},
        {"", false},
        {".", false},
        {"..", false},
        {"Version 1..2", true},  // ".." inside a name is no parent folder
        {"..\\Startup", false},
        {"a\\b", false},  // a nested group: setup refuses it too
        {"a/b", false},
        {"C:x", false},
        {"name.", false},
        {"name ", false},
        {"*", false},
        {"a\nb", false},
        {"NUL", false},
        {"nul.lnk", false},
        {"COM1", false},
        {"Lpt3.txt", false},
        {"CON .lnk", false},
        {"NULL", true},
        {"COM10", true},
        {"a<b", false},
        {"a|b", false},
        {std::string(255, 'n'), true},
        {std::string(256, 'n'), false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsPlainName(c.name), c.plain) << c.name;
}

class PathRulesTest : public ::testing::Test {
protected:
    PathRules rules{ProtectedFolders{"C:\\windows",
                                     {"C:\\Program Files", "C:\\users\\me\\Desktop", "C:\\windows\\system32"}}};
};

TEST_F(PathRulesTest, FolderValues) {
    const struct {
        const char* value;
        Refusal refusal;
    } cases[] = {
        {"C:\\Program Files\\Tolvik\\Pellumar\\", Refusal::None},
        {"C:\\Program Files\\Tolvik\\", Refusal::None},
        {"D:\\Apps\\", Refusal::None},
        {"C:\\", Refusal::DriveRoot},
        {"c:/", Refusal::DriveRoot},
        {"C:\\windows\\", Refusal::SystemFolder},
        {"C:\\WINDOWS", Refusal::SystemFolder},
        {"C:\\windows\\system32\\", Refusal::SystemFolder},
        {"C:\\windows\\Temp\\Pellumar\\", Refusal::SystemFolder},  // inside the Windows folder
        {"C:\\Program Files\\", Refusal::SystemFolder},
        {"C:\\users\\", Refusal::SystemFolder},  // above the desktop
        {"C:\\users\\me\\Desktop\\", Refusal::SystemFolder},
        {"C:\\Program Files\\..\\windows\\", Refusal::NotLocalPath},
        {"\\\\server\\share\\", Refusal::NotLocalPath},
        {"Tolvik\\", Refusal::NotLocalPath},
    };
    for (const auto& c : cases) {
        const Verdict verdict = rules.CheckFolder(c.value);
        EXPECT_EQ(verdict.refusal, c.refusal) << c.value;
        EXPECT_EQ(verdict.Accepted(), !verdict.path.empty()) << c.value;
    }
}

TEST_F(PathRulesTest, FileValuesAreTheInstallationsOwnOutsideTheWindowsFolder) {
    const struct {
        const char* value;
        Refusal refusal;
        const char* path;
    } cases[] = {
        {"C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe", Refusal::None,
         "C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe"},
        {"c:/program files/tolvik/pellumar/sub/x.txt", Refusal::None, "C:\\program files\\tolvik\\pellumar\\sub\\x.txt"},
        // Written straight into Program Files ("pf" in the document): still the installation's file.
        {"C:\\Program Files\\Pellumar.dll", Refusal::None, "C:\\Program Files\\Pellumar.dll"},
        {"D:\\Tools\\a.exe", Refusal::None, "D:\\Tools\\a.exe"},
        {"C:\\windows\\system32\\kernel32.dll", Refusal::SystemFolder, ""},
        {"C:\\WINDOWS\\win.ini", Refusal::SystemFolder, ""},
        {"C:\\Program Files", Refusal::SystemFolder, ""},
        {"C:\\Program Files\\Tolvik\\Pellumar\\..\\..\\..\\windows\\win.ini", Refusal::NotLocalPath, ""},
        {"C:\\Program Files\\Tolvik\\Pellumar\\", Refusal::NotLocalPath, ""},
        {"\\Pellumar.dll", Refusal::NotLocalPath, ""},
        {"C:\\", Refusal::NotLocalPath, ""},
        {"C:", Refusal::NotLocalPath, ""},
    };
    for (const auto& c : cases) {
        const Verdict verdict = rules.CheckFile(c.value);
        EXPECT_EQ(verdict.refusal, c.refusal) << c.value;
        EXPECT_EQ(verdict.path, c.path) << c.value;
    }
}

TEST(PathRules, WithoutAKnownWindowsFolderNoFolderIsAccepted) {
    const PathRules rules(ProtectedFolders{"", {}});
    EXPECT_EQ(rules.CheckFolder("C:\\Apps\\Pellumar\\").refusal, Refusal::SystemFolder);
    EXPECT_EQ(rules.CheckFile("C:\\Apps\\Pellumar\\a.exe").refusal, Refusal::SystemFolder);
}

TEST_F(PathRulesTest, ProtectedFoldersAndEverythingAboveThem) {
    EXPECT_TRUE(rules.IsProtected("C:\\users\\me\\Desktop"));
    EXPECT_TRUE(rules.IsProtected("C:\\USERS"));
    EXPECT_TRUE(rules.IsProtected("C:\\windows"));
    EXPECT_FALSE(rules.IsProtected("C:\\users\\me\\Desktop\\Pellumar"));
    EXPECT_FALSE(rules.IsProtected("D:\\Apps"));
}

}  // namespace
}  // namespace install
