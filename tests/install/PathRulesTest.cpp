#include <gtest/gtest.h>

#include "uninstaller/PathRules.h"

namespace uninstaller {
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
    EXPECT_TRUE(SamePath("C:\\Program Files", "c:\\PROGRAM FILES"));
    EXPECT_FALSE(SamePath("C:\\Program Files", "C:\\Program File"));
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
}  // namespace uninstaller
