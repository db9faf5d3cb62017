#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/InstallSteps.h"
#include "install/PathText.h"

namespace {

std::vector<int> Percentages(const std::vector<std::uint64_t>& sizes) {
    app::ProgressCounter progress(sizes);
    std::vector<int> shown;
    for (std::size_t i = 0; i < sizes.size(); ++i) shown.push_back(progress.Advance());
    return shown;
}

std::vector<int> Percentages(std::size_t entries) { return Percentages(std::vector<std::uint64_t>(entries, 1)); }

// Every fixed wait of a run whose files all go in: the two stages, "Complete: 5%",
// each file, "Creating shortcuts...", "setting uninstall..." and the final one.
unsigned FixedWaits(const app::ProgressCounter& progress, std::size_t entries) {
    return 2 * app::kStageWait + 3 * app::kStepWait + app::kFinalWait +
           static_cast<unsigned>(entries) * progress.FileWait();
}

TEST(InstallSteps, PercentagesAfterEachFileAreTruncatedRunningSums) {
    EXPECT_EQ(Percentages(2), (std::vector<int>{52, 100}));
    EXPECT_EQ(Percentages(3), (std::vector<int>{36, 68, 100}));
    // The running sum of 95 / 7 falls just short of 100.
    EXPECT_EQ(Percentages(7), (std::vector<int>{18, 32, 45, 59, 72, 86, 99}));
    EXPECT_TRUE(Percentages(0).empty());
    EXPECT_EQ(app::CompleteText(5), "Complete: 5%");
}

TEST(InstallSteps, UpToTenFilesArePacedByFilesLargerProductsByBytesWithoutPauses) {
    // Ten entries or fewer: as always, whatever their sizes, with 200 ms per file.
    const std::vector<std::uint64_t> demo{180224, 1500};
    EXPECT_EQ(Percentages(demo), (std::vector<int>{52, 100}));
    EXPECT_EQ(Percentages(std::vector<std::uint64_t>{1, 1000000, 1}), (std::vector<int>{36, 68, 100}));
    const app::ProgressCounter two(demo);
    EXPECT_EQ(two.FileWait(), 200u);
    EXPECT_EQ(FixedWaits(two, 2), 3000u);
    EXPECT_EQ(Percentages(10).back(), 100);
    EXPECT_EQ(app::ProgressCounter(std::vector<std::uint64_t>(10, 5)).FileWait(), 200u);

    // Eleven: the percentage follows the bytes written; a large file moves it most.
    std::vector<std::uint64_t> eleven(11, 1000);
    eleven[5] = 90000;
    EXPECT_EQ(Percentages(eleven), (std::vector<int>{5, 6, 7, 8, 9, 95, 96, 97, 98, 99, 100}));
    // Files without bytes count by files; the end is always 100.
    EXPECT_EQ(Percentages(std::vector<std::uint64_t>(11, 0)).back(), 100);
    EXPECT_EQ(Percentages(std::vector<std::uint64_t>(20, 0xFFFFFFFFu)).back(), 100);

    // However many files, the run's fixed waits stay under 3 s.
    for (std::size_t entries : {11u, 400u, 1403u}) {
        const app::ProgressCounter progress(std::vector<std::uint64_t>(entries, 4096));
        EXPECT_EQ(progress.FileWait(), 0u) << entries;
        EXPECT_LT(FixedWaits(progress, entries), 3000u) << entries;
    }
}

TEST(InstallSteps, EveryKindOfEntryGetsARealBaseFolder) {
    const app::BaseFolders folders{"C:\\Apps\\Pellumar", "C:\\WINDOWS", "C:\\Program Files\\"};
    using install::FolderKind;
    EXPECT_EQ(app::BaseFolderFor(FolderKind::InstallFolder, folders), "C:\\Apps\\Pellumar\\");
    EXPECT_EQ(app::BaseFolderFor(FolderKind::PluginFolder, folders), "C:\\Apps\\Pellumar\\");
    EXPECT_EQ(app::BaseFolderFor(FolderKind::WindowsFolder, folders), "C:\\WINDOWS\\");
    EXPECT_EQ(app::BaseFolderFor(FolderKind::ProgramFiles, folders), "C:\\Program Files\\");
    EXPECT_FALSE(app::IsLoggedKind(FolderKind::WindowsFolder));
    EXPECT_TRUE(app::IsLoggedKind(FolderKind::ProgramFiles));
    EXPECT_EQ(app::WithTrailingBackslash(""), "\\");
}

TEST(InstallSteps, ADriveRootIsNoInstallLocation) {
    EXPECT_EQ(app::InstallLocationFor("C:\\"), "");
    EXPECT_EQ(app::InstallLocationFor("c:\\\\"), "");
    EXPECT_EQ(app::InstallLocationFor("C:\\Apps"), "C:\\Apps");
}

// A file name of several parts, "\\" or "/" between them: its folders below the
// base, outermost first, and the path logged and used with "\\" only.
TEST(InstallSteps, PayloadFilesInSubfolders) {
    const app::PayloadPlace deep = app::PayloadPlaceFor("C:\\D\\", "lib/__phello__\\__init__.py");
    EXPECT_EQ(deep.path, "C:\\D\\lib\\__phello__\\__init__.py");
    EXPECT_EQ(deep.folder, "C:\\D\\lib\\__phello__\\");
    EXPECT_EQ(deep.name, "__init__.py");
    EXPECT_EQ(deep.subfolders, (std::vector<std::string>{"C:\\D\\lib\\", "C:\\D\\lib\\__phello__\\"}));
    const app::PayloadPlace flat = app::PayloadPlaceFor("C:\\D\\", "Pellumar.exe");
    EXPECT_EQ(flat.path, "C:\\D\\Pellumar.exe");
    EXPECT_EQ(flat.folder, "C:\\D\\");
    EXPECT_TRUE(flat.subfolders.empty());

    install::PathSet trusted;
    trusted.Add("C:\\D\\Pellumar.exe");
    trusted.Add("C:\\D\\lib\\x.py");
    EXPECT_FALSE(trusted.Add("c:\\d\\PELLUMAR.EXE"));
    EXPECT_TRUE(trusted.Holds("C:\\D\\LIB\\X.PY"));
    EXPECT_FALSE(trusted.Holds("C:\\D\\License.txt"));
    EXPECT_FALSE(trusted.Holds("C:\\D\\lib\\x.py2"));

    // What an upgrade removes: each earlier file not installed again, once, in the log's order.
    EXPECT_EQ(app::StaleFiles({"C:\\D\\old.dll", "C:\\D\\Pellumar.exe", "C:\\D\\OLD.DLL", "C:\\D\\gone.txt"},
                              {"c:\\d\\pellumar.exe"}),
              (std::vector<std::string>{"C:\\D\\old.dll", "C:\\D\\gone.txt"}));
}

TEST(InstallSteps, VersionChangesAreComparedPartByPartAsNumbers) {
    EXPECT_EQ(app::VersionChangeText("1.9.0.0", "1.10.0.0"), "upgrade: 1.9.0.0 to 1.10.0.0");
    EXPECT_EQ(app::VersionChangeText("2.0", "1.0.0.7"), "downgrade: 2.0 to 1.0.0.7");
    EXPECT_EQ(app::VersionChangeText("2.0", "2.0.0.0"), "repair: 2.0.0.0");
    EXPECT_EQ(app::VersionChangeText("1.0-beta", "1.0-rc"), "upgrade: 1.0-beta to 1.0-rc");
    EXPECT_EQ(app::VersionChangeText("", "1.0"), "");
}

TEST(InstallSteps, MessagesReadAsTheUserSeesThem) {
    EXPECT_EQ(app::PathRejectedMessage(),
              "Path invalid.\nYou must enter the full path, e.g.\n \"c:\\Program Files\\Tolvik\\FolderName\"");
    EXPECT_EQ(app::FileErrorMessage("Disk full while accessing C:\\a."),
              "File could not be opened...\nDisk full while accessing C:\\a.");
    EXPECT_EQ(app::ForeignFileDescription("C:\\D\\License.txt"),
              "C:\\D\\License.txt belongs to another program (this product did not install it); setup does not "
              "replace it. Choose another folder.");
}

}  // namespace
