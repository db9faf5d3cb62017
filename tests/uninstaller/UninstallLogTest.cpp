#include <gtest/gtest.h>

#include <map>

#include "uninstaller/UninstallLog.h"

namespace uninstaller {
namespace {

class TableValues : public LogValues {
public:
    explicit TableValues(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    std::optional<std::string> Read(std::string_view valueName) const override {
        ++reads;
        const auto found = values_.find(std::string(valueName));
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    mutable int reads = 0;

private:
    std::map<std::string, std::string> values_;
};

std::map<std::string, std::string> CompleteLog() {
    return {
        {"Project", "Tolvik Pellumar 1.0"},
        {"IDate", "Monday, December 07, 2026"},
        {"up", "1"},
        {"Folder0", "C:\\Program Files\\Tolvik\\Pellumar\\"},
        {"Folder1", "C:\\Program Files\\Tolvik\\"},
        {"TotalFolders", "2"},
        {"File0", "C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe"},
        {"File1", "C:\\Program Files\\Tolvik\\Pellumar\\License.txt"},
        {"TotalFiles", "2"},
        {"DF0", "Tolvik Pellumar 1.0"},
        {"TotalDF", "1"},
        {"SGroup", "Tolvik Pellumar 1.0"},
    };
}

std::vector<std::string> Names(const std::vector<LoggedValue>& values) {
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.name);
    return names;
}

TEST(UninstallLog, ReadsACompleteLog) {
    const UninstallLog log = ReadUninstallLog(TableValues(CompleteLog()));
    EXPECT_EQ(log.project, "Tolvik Pellumar 1.0");
    ASSERT_EQ(log.folders.size(), 2u);
    EXPECT_EQ(log.folders[0].name, "Folder0");
    EXPECT_EQ(log.folders[0].value, "C:\\Program Files\\Tolvik\\Pellumar\\");
    EXPECT_EQ(Names(log.files), (std::vector<std::string>{"File0", "File1"}));
    EXPECT_EQ(log.files[1].value, "C:\\Program Files\\Tolvik\\Pellumar\\License.txt");
    ASSERT_EQ(log.desktopShortcuts.size(), 1u);
    EXPECT_EQ(log.desktopShortcuts[0].value, "Tolvik Pellumar 1.0");
    EXPECT_EQ(log.startMenuGroup, "Tolvik Pellumar 1.0");
    EXPECT_TRUE(log.undetermined.empty());
}

TEST(UninstallLog, IgnoresValuesBeyondTheCounts) {
    // A second installation over existing folders writes "TotalFolders" 0 and fewer
    // files; the first one's values stay behind.
    auto values = CompleteLog();
    values["TotalFolders"] = "0";
    values["TotalFiles"] = "1";
    values["TotalDF"] = "0";
    const UninstallLog log = ReadUninstallLog(TableValues(values));
    EXPECT_TRUE(log.folders.empty());
    EXPECT_EQ(Names(log.files), (std::vector<std::string>{"File0"}));
    EXPECT_TRUE(log.desktopShortcuts.empty());
    EXPECT_TRUE(log.undetermined.empty());
}

TEST(UninstallLog, WithoutACountTakesValuesUpToTheFirstGap) {
    // The installation stopped while copying: no "TotalFiles" and nothing after it.
    auto values = CompleteLog();
    for (const char* name : {"TotalFiles", "DF0", "TotalDF", "SGroup"}) values.erase(name);
    values["File3"] = "C:\\Program Files\\Tolvik\\Pellumar\\Stale.dll";
    const UninstallLog log = ReadUninstallLog(TableValues(values));
    EXPECT_EQ(Names(log.files), (std::vector<std::string>{"File0", "File1"}));
    EXPECT_TRUE(log.desktopShortcuts.empty());
    EXPECT_FALSE(log.startMenuGroup.has_value());
    ASSERT_EQ(log.undetermined.size(), 3u);
    EXPECT_EQ(log.undetermined[0],
              "The number of files is not recorded (\"TotalFiles\"); the 2 listed up to the first gap were taken.");
    EXPECT_EQ(log.undetermined[1],
              "The number of desktop shortcuts is not recorded (\"TotalDF\"); the 0 listed up to the first gap were "
              "taken.");
    EXPECT_EQ(log.undetermined[2],
              "The Start-menu program group is not recorded; its shortcuts were not looked for.");
}

TEST(UninstallLog, ACountThatIsNotANumberIsNotBelieved) {
    for (const char* total : {"abc", "-1", "99999999", "2 ", "", "0x2"}) {
        auto values = CompleteLog();
        values["TotalFiles"] = total;
        const UninstallLog log = ReadUninstallLog(TableValues(values));
        EXPECT_EQ(log.files.size(), 2u) << total;
        ASSERT_EQ(log.undetermined.size(), 1u) << total;
        EXPECT_NE(log.undetermined[0].find("not a valid number"), std::string::npos) << total;
    }
}

TEST(UninstallLog, NamesValuesMissingInsideTheCount) {
    auto values = CompleteLog();
    values["TotalFiles"] = "3";
    values["File2"] = values["File1"];
    values.erase("File1");
    const UninstallLog log = ReadUninstallLog(TableValues(values));
    EXPECT_EQ(Names(log.files), (std::vector<std::string>{"File0", "File2"}));
    ASSERT_EQ(log.undetermined.size(), 1u);
    EXPECT_EQ(log.undetermined[0], "The log counts 3 files but 1 of them are missing (File1).");
}

TEST(UninstallLog, AHugeCountReadsNoMoreThanTheLimit) {
    auto values = CompleteLog();
    values["TotalFiles"] = "10000";
    TableValues table(values);
    const UninstallLog log = ReadUninstallLog(table);
    EXPECT_EQ(log.files.size(), 2u);
    EXPECT_LT(table.reads, kMaxLoggedValues + 100);
    ASSERT_EQ(log.undetermined.size(), 1u);
    EXPECT_EQ(log.undetermined[0], "The log counts 10000 files but 9998 of them are missing (File2, ...).");
}

TEST(UninstallLog, AMissingProductNameIsReported) {
    auto values = CompleteLog();
    values["Project"] = "";
    const UninstallLog log = ReadUninstallLog(TableValues(values));
    EXPECT_FALSE(log.project.has_value());
    ASSERT_EQ(log.undetermined.size(), 1u);
    EXPECT_EQ(log.undetermined[0], "The product's name is not recorded.");
}

TEST(UninstallLog, AnEmptyLogDeterminesNothing) {
    const UninstallLog log = ReadUninstallLog(TableValues({}));
    EXPECT_TRUE(log.folders.empty());
    EXPECT_TRUE(log.files.empty());
    EXPECT_EQ(log.undetermined.size(), 5u);
}

TEST(ParseCount, TakesOnlyPlainDecimalCountsWithinTheLimit) {
    const struct {
        const char* text;
        std::optional<int> count;
    } cases[] = {
        {"0", 0}, {"2", 2}, {"007", 7}, {"10000", 10000}, {"10001", std::nullopt}, {"99999", std::nullopt},
        {"", std::nullopt}, {" 1", std::nullopt}, {"1 ", std::nullopt}, {"+1", std::nullopt}, {"-1", std::nullopt},
        {"1e3", std::nullopt}, {"123456", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseCount(c.text), c.count) << c.text;
}

}  // namespace
}  // namespace uninstaller
