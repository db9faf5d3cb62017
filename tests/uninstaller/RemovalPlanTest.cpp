#include <gtest/gtest.h>

#include "uninstaller/RemovalPlan.h"

namespace uninstaller {
namespace {

const PathRules& Rules() {
    static const PathRules rules(ProtectedFolders{
        "C:\\windows", {"C:\\Program Files", "C:\\users\\me\\Desktop", "C:\\users\\me\\Start Menu\\Programs"}});
    return rules;
}

UninstallLog PellumarLog() {
    UninstallLog log;
    log.project = "Tolvik Pellumar 1.0";
    log.folders = {{"Folder0", "C:\\Program Files\\Tolvik\\Pellumar\\"}, {"Folder1", "C:\\Program Files\\Tolvik\\"}};
    log.files = {{"File0", "C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe"},
                 {"File1", "C:\\Program Files\\Tolvik\\Pellumar\\License.txt"}};
    log.desktopShortcuts = {{"DF0", "Tolvik Pellumar 1.0"}};
    log.startMenuGroup = "Tolvik Pellumar 1.0";
    return log;
}

TEST(RemovalPlan, TakesEverythingOfACompleteInstallation) {
    const RemovalPlan plan = PlanRemoval(PellumarLog(), Rules());
    EXPECT_EQ(plan.folders, (std::vector<std::string>{"C:\\Program Files\\Tolvik\\Pellumar", "C:\\Program Files\\Tolvik"}));
    EXPECT_EQ(plan.files, (std::vector<std::string>{"C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe",
                                                    "C:\\Program Files\\Tolvik\\Pellumar\\License.txt"}));
    EXPECT_EQ(plan.desktopShortcuts, (std::vector<std::string>{"Tolvik Pellumar 1.0"}));
    EXPECT_EQ(plan.startMenuGroup, "Tolvik Pellumar 1.0");
    EXPECT_TRUE(plan.refused.empty());
}

TEST(RemovalPlan, RemovesInnerFoldersFirstWhateverTheLogOrder) {
    UninstallLog log = PellumarLog();
    std::swap(log.folders[0], log.folders[1]);
    log.folders.push_back({"Folder2", "C:\\Program Files\\Tolvik\\Pellumar\\Data\\Cache\\"});
    const RemovalPlan plan = PlanRemoval(log, Rules());
    EXPECT_EQ(plan.folders, (std::vector<std::string>{"C:\\Program Files\\Tolvik\\Pellumar\\Data\\Cache",
                                                      "C:\\Program Files\\Tolvik\\Pellumar",
                                                      "C:\\Program Files\\Tolvik"}));
}

TEST(RemovalPlan, RefusesHostileValuesAndKeepsTheRest) {
    UninstallLog log = PellumarLog();
    log.files.push_back({"File2", "C:\\windows\\system32\\kernel32.dll"});
    log.files.push_back({"File3", "C:\\Program Files\\Tolvik\\Pellumar\\..\\..\\Other\\other.exe"});
    log.files.push_back({"File4", "C:\\"});
    log.folders.push_back({"Folder2", "C:\\windows\\"});
    log.folders.push_back({"Folder3", "D:\\"});
    log.desktopShortcuts.push_back({"DF1", "..\\..\\Documents\\notes"});
    log.startMenuGroup = "..\\Startup";
    const RemovalPlan plan = PlanRemoval(log, Rules());

    EXPECT_EQ(plan.files.size(), 2u);
    EXPECT_EQ(plan.folders.size(), 2u);
    EXPECT_EQ(plan.desktopShortcuts.size(), 1u);
    EXPECT_FALSE(plan.startMenuGroup.has_value());
    const struct {
        const char* name;
        Refusal refusal;
    } expected[] = {
        {"Folder2", Refusal::SystemFolder},        {"Folder3", Refusal::DriveRoot},
        {"File2", Refusal::SystemFolder},         {"File3", Refusal::NotLocalPath},
        {"File4", Refusal::NotLocalPath},         {"DF1", Refusal::BadName},
        {"SGroup", Refusal::BadName},
    };
    ASSERT_EQ(plan.refused.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(plan.refused[i].name, expected[i].name);
        EXPECT_EQ(plan.refused[i].refusal, expected[i].refusal) << expected[i].name;
    }
    EXPECT_EQ(plan.refused[2].value, "C:\\windows\\system32\\kernel32.dll");
}

TEST(RemovalPlan, FilesAndFoldersOffTheDestinationAreTheInstallationsOwn) {
    // A retry to another folder keeps the first run's folders; a "pf" file lies in Program Files itself.
    UninstallLog log = PellumarLog();
    log.folders.push_back({"Folder2", "C:\\Apps\\First\\"});
    log.files.push_back({"File2", "C:\\Program Files\\Pellumar.dll"});
    const RemovalPlan plan = PlanRemoval(log, Rules());
    EXPECT_TRUE(plan.refused.empty());
    EXPECT_EQ(plan.folders.size(), 3u);
    EXPECT_EQ(plan.files.back(), "C:\\Program Files\\Pellumar.dll");
}

}  // namespace
}  // namespace uninstaller
