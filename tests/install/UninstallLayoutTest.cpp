// The uninstall record's names and the install date's format.
#include <gtest/gtest.h>

#include <string>

#include "install/InstallDate.h"
#include "install/UninstallLayout.h"

namespace install {
namespace {

namespace layout = uninstall_layout;

TEST(InstallDate, EnglishNamesAndTwoDigitDay) {
    struct Case {
        int year, month, day;
        std::string expected;
    };
    const Case cases[] = {
        {2026, 12, 7, "Monday, December 07, 2026"},
        {2000, 1, 1, "Saturday, January 01, 2000"},
        {2000, 2, 29, "Tuesday, February 29, 2000"},
        {2024, 2, 29, "Thursday, February 29, 2024"},
        {1999, 12, 31, "Friday, December 31, 1999"},
        {2023, 9, 10, "Sunday, September 10, 2023"},
        {1970, 1, 1, "Thursday, January 01, 1970"},
        {1601, 1, 1, "Monday, January 01, 1601"},
        {2100, 3, 1, "Monday, March 01, 2100"},
        {2038, 1, 19, "Tuesday, January 19, 2038"},
        {2025, 6, 14, "Saturday, June 14, 2025"},
        {2025, 4, 30, "Wednesday, April 30, 2025"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatInstallDate(c.year, c.month, c.day), c.expected);
}

TEST(InstallDate, DatesThatDoNotExist) {
    EXPECT_EQ(FormatInstallDate(2025, 0, 1), "");
    EXPECT_EQ(FormatInstallDate(2025, 13, 1), "");
    EXPECT_EQ(FormatInstallDate(2025, 4, 31), "");
    EXPECT_EQ(FormatInstallDate(2025, 2, 29), "");
    EXPECT_EQ(FormatInstallDate(1900, 2, 29), "");
    EXPECT_EQ(FormatInstallDate(2025, 1, 0), "");
    EXPECT_EQ(FormatInstallDate(0, 1, 1), "");
}

TEST(UninstallLayout, KeysAndNames) {
    const auto keys = layout::KeysOfRecord("Pellumar");
    ASSERT_TRUE(keys.has_value());
    EXPECT_EQ(keys->name, "Pellumar");
    EXPECT_EQ(keys->logKey, "Software\\Tolvik\\Pellumar\\Uninstall");
    // The trusted copy has the log's layout, under the machine.
    EXPECT_EQ(keys->trustedKey, "SOFTWARE\\Tolvik\\Pellumar\\Uninstall");
    EXPECT_EQ(layout::kTrustedRoot, LocalMachine);
    EXPECT_EQ(keys->entryKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumar");
    EXPECT_EQ(layout::KeysOfRecord("A\\B")->logKey, "Software\\Tolvik\\A\\B\\Uninstall");
    EXPECT_EQ(layout::ValuePath(keys->logKey, layout::kUp), "Software\\Tolvik\\Pellumar\\Uninstall\\up");
    EXPECT_EQ(layout::IndexedName(layout::kFolderPrefix, 0), "Folder0");
    EXPECT_EQ(layout::IndexedName(layout::kFilePrefix, 12), "File12");
    EXPECT_EQ(layout::IndexedName(layout::kDesktopShortcutPrefix, 3), "DF3");
    EXPECT_EQ(layout::UninstallerShortcutName("Pellumar"), "Uninstall Pellumar");
}

TEST(UninstallLayout, UninstallCommand) {
    EXPECT_EQ(layout::UninstallCommand("C:\\WINDOWS\\TKUNTOOL.EXE", "Pellumar"), "C:\\WINDOWS\\TKUNTOOL.EXE Pellumar");
    EXPECT_EQ(layout::UninstallCommand("C:\\My Windows\\TKUNTOOL.EXE", "Pellumar"),
              "\"C:\\My Windows\\TKUNTOOL.EXE\" Pellumar");
    // The quiet command: " /S" added; a record with a word that looks like a switch is quoted.
    EXPECT_EQ(layout::QuietUninstallCommand("C:\\My Windows\\TKUNTOOL.EXE", "My Product"),
              "\"C:\\My Windows\\TKUNTOOL.EXE\" My Product /S");
    EXPECT_EQ(layout::QuietUninstallCommand("C:\\WINDOWS\\TKUNTOOL.EXE", "A /B"),
              "C:\\WINDOWS\\TKUNTOOL.EXE \"A /B\" /S");
}

TEST(UninstallLayout, RecordNames) {
    struct Case {
        std::string name;
        bool valid;
    };
    const Case cases[] = {
        {"Pellumar", true}, {"Tolvik\\Pellumar", true}, {"With blank", true}, {"", false},
        {"\\A", false},     {"A\\", false},             {"A\\\\B", false},    {std::string("A\0B", 3), false},
        // The same rule as every other name from the install document.
        {"NUL", false},     {"Tolvik\\COM1", false},    {"Tolvik.\\P", false}, {"A\\..\\B", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(layout::IsValidRecordName(c.name), c.valid) << c.name;
        EXPECT_EQ(layout::KeysOfRecord(c.name).has_value(), c.valid) << c.name;
    }
}

TEST(UninstallLayout, ARetryStillListsTheFoldersAnEarlierRunCreated) {
    // Run 1 made Tolvik and Pellumar and stopped; run 2 makes nothing, or one more level.
    const std::vector<std::string> earlier = {"C:\\PF\\Tolvik\\Pellumar\\", "C:\\PF\\Tolvik\\"};
    EXPECT_EQ(layout::FoldersToLog({}, earlier), earlier);
    EXPECT_EQ(layout::FoldersToLog({"C:\\PF\\Tolvik\\Pellumar\\Data\\"}, earlier),
              (std::vector<std::string>{"C:\\PF\\Tolvik\\Pellumar\\Data\\", "C:\\PF\\Tolvik\\Pellumar\\",
                                        "C:\\PF\\Tolvik\\"}));
    // A folder listed by both, in another letter case, is listed once; this run's come first at equal depth.
    EXPECT_EQ(layout::FoldersToLog({"C:\\Apps\\", "C:\\Apps\\B\\"}, {"c:\\apps\\b\\", "C:\\Old\\"}),
              (std::vector<std::string>{"C:\\Apps\\B\\", "C:\\Apps\\", "C:\\Old\\"}));
}

}  // namespace
}  // namespace install
