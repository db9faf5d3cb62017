// The uninstall against the real registry, file system and shell of a fresh Wine
// prefix. Products are "installed" with the installation's own pieces (folder
// creation, shortcut maker, uninstall record), so these tests also hold the two
// sides of the record to one layout.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"
#include "framework/WideText_win.h"
#include "install/FolderPath.h"
#include "install/RegistryKeys_win.h"
#include "install/HeldFolders_win.h"
#include "install/ShortcutMaker_win.h"
#include "install/UninstallLayout.h"
#include "install/UninstallRecord.h"
#include "install/UserKeys_win.h"
#include "uninstaller/RecordRemoval_win.h"
#include "uninstaller/OutcomeReport.h"
#include "uninstaller/Uninstaller_win.h"

namespace uninstaller {
namespace {

namespace layout = install::uninstall_layout;

// The keys of a record name the tests know to be valid.
layout::RecordKeys Keys(std::string_view record, install::InstallScope scope = install::InstallScope::Machine) {
    return layout::KeysOfRecord(record, scope).value();
}

class ScriptedPrompt : public Prompt {
public:
    explicit ScriptedPrompt(bool answer) : answer_(answer) {}
    bool Confirm(std::string_view text) override {
        questions.emplace_back(text);
        return answer_;
    }
    void Report(std::string_view text, bool problem) override {
        reports.emplace_back(text);
        problems.push_back(problem);
    }
    std::vector<std::string> questions, reports;
    std::vector<bool> problems;

private:
    bool answer_;
};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeFile(const std::string& path, const std::string& text = "data") {
    framework::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
}

bool HasLine(const std::string& report, const std::string& line) { return report.find(line) != std::string::npos; }

// One product installed the way the installation run does it.
struct FakeProduct {
    std::string record;
    std::string group;
    std::string destination;
    std::vector<std::string> files;
    std::string desktopShortcut;
    std::string groupFolder;
};

// The product's folders made and its files written into them, as setup does,
// and the log begun with them.
void MakeFilesAndLogThem(FakeProduct& product, install::UninstallRecord& log, std::initializer_list<const char*> names) {
    std::vector<std::string> missing, created;
    std::string failed;
    install::HeldFolders held;
    EXPECT_TRUE(install::HoldFolderPath(product.destination, missing, held) &&
                install::MakeFolders(missing, held, created, failed));
    held.Release();
    log.Begin(product.group, created);
    for (const char* name : names) {
        product.files.push_back(product.destination + "\\" + name);
        MakeFile(product.files.back());
        log.AddFile(product.files.back());
    }
    log.FinishFiles();
}

class UninstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = SettingsForThisProgram();
        ASSERT_FALSE(settings.folders.desktopFolder.empty());
        ASSERT_FALSE(settings.folders.programsFolder.empty());
        ASSERT_TRUE(settings.removableUninstaller.empty());  // the test program is no installed uninstaller
        // Every product goes below this folder; as it exists before they are
        // installed, none of them lists it as created.
        CreateDirectoryA("C:\\TolvikTest", nullptr);
    }

    FakeProduct Install(const std::string& record, const std::string& destination, bool withEntry = true,
                        const std::string& group = {}) {
        FakeProduct product{record, group.empty() ? "Tolvik " + record + " 1.0" : group, destination, {}, {}, {}};
        install::UninstallRecord log(record);
        MakeFilesAndLogThem(product, log, {"Program.exe", "License.txt"});
        install::ShortcutMaker shell;
        const std::string workingFolder = destination + "\\";
        EXPECT_TRUE(shell.CreateDesktopShortcut(product.files[0], product.group, product.group, workingFolder,
                                                std::nullopt, std::nullopt, 0));
        log.AddDesktopShortcut(product.group);
        // The maker's folders: the all-users ones when this test runs elevated.
        std::string desktop, programs;
        EXPECT_TRUE(shell.GetDesktopFolder(desktop));
        EXPECT_TRUE(shell.GetProgramsFolder(programs));
        product.desktopShortcut = desktop + "\\" + product.group + ".lnk";
        EXPECT_TRUE(shell.CreateStartMenuShortcut(product.files[0], product.group, product.group, workingFolder,
                                                  std::nullopt, std::nullopt, 0));
        EXPECT_TRUE(shell.CreateStartMenuShortcut(product.files[1], product.group, "License", workingFolder,
                                                  std::nullopt, std::nullopt, 0));
        log.FinishShortcuts(product.group);
        // A record name with "\\" makes no valid shortcut name: the installation fails to make it too.
        EXPECT_EQ(shell.CreateStartMenuShortcut(settings.installedUninstaller, product.group,
                                                layout::UninstallerShortcutName(record),
                                                settings.folders.windowsFolder + "\\", record, std::nullopt, 0),
                  record.find('\\') == std::string::npos);
        product.groupFolder = programs + "\\" + product.group;
        if (withEntry) {
            install::UninstallEntry entry;
            entry.groupName = product.group;
            entry.uninstallerPath = settings.installedUninstaller;
            entry.installLocation = destination;
            log.WriteUninstallEntry(entry);
        }
        EXPECT_TRUE(Exists(product.desktopShortcut));
        EXPECT_TRUE(Exists(product.groupFolder + "\\License.lnk"));
        return product;
    }

    void ExpectGone(const FakeProduct& product) {
        for (const auto& file : product.files) EXPECT_FALSE(Exists(file)) << file;
        EXPECT_FALSE(Exists(product.destination)) << product.destination;
        EXPECT_FALSE(Exists(product.desktopShortcut));
        EXPECT_FALSE(Exists(product.groupFolder));
        EXPECT_FALSE(install::RegistryKeyExists(layout::kLogRoot, Keys(product.record).logKey));
        EXPECT_FALSE(install::RegistryKeyExists(layout::kEntryRoot, Keys(product.record).entryKey));
        EXPECT_FALSE(install::RegistryKeyExists(layout::kTrustedRoot, Keys(product.record).trustedKey));
    }

    UninstallSettings settings;
};

TEST_F(UninstallerTest, WithoutARecordNameNothingIsAskedOrTouched) {
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("", prompt, settings), UninstallResult::NoRecord);
    EXPECT_TRUE(prompt.questions.empty());
    ASSERT_EQ(prompt.reports.size(), 1u);
    EXPECT_EQ(prompt.reports[0], MissingRecordNameText());
}

TEST_F(UninstallerTest, AnUnknownOrMalformedRecordIsReported) {
    for (const char* record : {"NoSuchProduct", "\\Pellumar", "a\\\\b"}) {
        ScriptedPrompt prompt(true);
        EXPECT_EQ(Uninstall(record, prompt, settings), UninstallResult::NoRecord) << record;
        EXPECT_TRUE(prompt.questions.empty());
        ASSERT_EQ(prompt.reports.size(), 1u);
        EXPECT_EQ(prompt.reports[0], UnknownRecordText(record));
    }
}

TEST_F(UninstallerTest, AnsweringNoChangesNothing) {
    const FakeProduct product = Install("Kept", "C:\\TolvikTest\\Kept\\App");
    ScriptedPrompt prompt(false);
    EXPECT_EQ(Uninstall("Kept", prompt, settings), UninstallResult::Cancelled);
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0], ConfirmationText("Tolvik Kept 1.0"));
    EXPECT_TRUE(prompt.reports.empty());
    for (const auto& file : product.files) EXPECT_TRUE(Exists(file));
    EXPECT_TRUE(Exists(product.desktopShortcut));
    EXPECT_TRUE(install::RegistryKeyExists(layout::kLogRoot, Keys("Kept").logKey));

    ScriptedPrompt yes(true);  // its entry would keep the shared uninstaller for the other tests
    EXPECT_EQ(Uninstall("Kept", yes, settings), UninstallResult::Removed);
}

TEST_F(UninstallerTest, RemovesACompleteInstallation) {
    const FakeProduct product = Install("Pellumar", "C:\\TolvikTest\\Pellumar\\Program");
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Pellumar", prompt, settings), UninstallResult::Removed);
    ASSERT_EQ(prompt.reports.size(), 1u);
    EXPECT_EQ(prompt.reports[0], "\"Tolvik Pellumar 1.0\" was removed from this computer.");
    EXPECT_FALSE(prompt.problems[0]);
    ExpectGone(product);
    EXPECT_FALSE(Exists("C:\\TolvikTest\\Pellumar"));  // created by the installation too
    EXPECT_TRUE(Exists("C:\\TolvikTest"));            // the other tests' products are still there
}

TEST_F(UninstallerTest, AUserFileKeepsItsFolder) {
    const FakeProduct product = Install("UserFile", "C:\\TolvikTest\\UserFile");
    MakeFile(product.destination + "\\notes.txt", "mine");
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("UserFile", prompt, settings), UninstallResult::RemovedExcept);
    EXPECT_TRUE(Exists(product.destination + "\\notes.txt"));
    for (const auto& file : product.files) EXPECT_FALSE(Exists(file));
    ASSERT_EQ(prompt.reports.size(), 1u);
    EXPECT_TRUE(HasLine(prompt.reports[0], "\n- " + KeptFolderText(product.destination))) << prompt.reports[0];
    EXPECT_FALSE(install::RegistryKeyExists(layout::kLogRoot, Keys("UserFile").logKey));
}

// The session manager's list of what to rename or delete at the next start, the
// paths as MoveFileEx stores them ("\\??\\C:\\..."), each followed by its new name.
std::vector<std::string> PendingRestartOperations() {
    std::vector<wchar_t> data(64 * 1024);
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<std::string> entries;
    for (const wchar_t* entry = data.data(); entry < data.data() + size / sizeof(wchar_t); entry += wcslen(entry) + 1) {
        entries.push_back(framework::Utf8Text(entry));
    }
    return entries;
}

TEST_F(UninstallerTest, AFileInUseAndItsFoldersGoAtTheNextStart) {
    const FakeProduct product = Install("InUse", "C:\\TolvikTest\\InUse\\App");
    framework::FileHandle held(
        CreateFileA(product.files[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("InUse", prompt, settings), UninstallResult::RemovedAtRestart);
    ASSERT_EQ(prompt.reports.size(), 1u);
    EXPECT_TRUE(HasLine(prompt.reports[0], "will be removed when Windows restarts:\n- " + product.files[0] +
                                               "\n- C:\\TolvikTest\\InUse\\App\n- C:\\TolvikTest\\InUse\n"))
        << prompt.reports[0];
    EXPECT_FALSE(HasLine(prompt.reports[0], "The uninstall information was kept"));
    EXPECT_TRUE(Exists(product.files[0]));
    EXPECT_FALSE(Exists(product.files[1]));
    EXPECT_FALSE(install::RegistryKeyExists(layout::kTrustedRoot, Keys("InUse").trustedKey));
    EXPECT_FALSE(install::RegistryKeyExists(layout::kEntryRoot, Keys("InUse").entryKey));

    // Deleted in this order at the next start: the file, then its folders, deepest first.
    const std::vector<std::string> pending = PendingRestartOperations();
    std::vector<std::string> scheduled;
    for (std::size_t i = 0; i + 1 < pending.size(); i += 2) {
        if (pending[i].find("InUse") != std::string::npos && pending[i + 1].empty()) scheduled.push_back(pending[i]);
    }
    EXPECT_EQ(scheduled, (std::vector<std::string>{"\\??\\" + product.files[0], "\\??\\C:\\TolvikTest\\InUse\\App",
                                                   "\\??\\C:\\TolvikTest\\InUse"}));
}

TEST_F(UninstallerTest, APartialLogRemovesWhatItListsAndSaysWhatItLacks) {
    // Stopped while copying: no "TotalFiles", no shortcuts, no uninstall entry.
    std::vector<std::string> missing, created;
    std::string failed;
    install::HeldFolders held;
    ASSERT_TRUE(install::HoldFolderPath("C:\\TolvikTest\\Partial\\App", missing, held));
    ASSERT_TRUE(install::MakeFolders(missing, held, created, failed));
    held.Release();
    install::UninstallRecord log("Partial");
    log.Begin("Tolvik Partial 1.0", created);
    MakeFile("C:\\TolvikTest\\Partial\\App\\Program.exe");
    log.AddFile("C:\\TolvikTest\\Partial\\App\\Program.exe");
    MakeFile("C:\\TolvikTest\\Partial\\App\\Half.dll");  // being written when the run stopped

    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Partial", prompt, settings), UninstallResult::RemovedExcept);
    EXPECT_FALSE(Exists("C:\\TolvikTest\\Partial\\App\\Program.exe"));
    EXPECT_TRUE(Exists("C:\\TolvikTest\\Partial\\App\\Half.dll"));
    ASSERT_EQ(prompt.reports.size(), 1u);
    const std::string& report = prompt.reports[0];
    EXPECT_TRUE(HasLine(report, "The number of files is not recorded (\"TotalFiles\"); the 1 listed")) << report;
    EXPECT_TRUE(HasLine(report, KeptFolderText("C:\\TolvikTest\\Partial\\App"))) << report;
    EXPECT_FALSE(install::RegistryKeyExists(layout::kLogRoot, Keys("Partial").logKey));
}

TEST_F(UninstallerTest, HostileValuesAreRefusedAndNothingOutsideIsTouched) {
    const FakeProduct product = Install("Hostile", "C:\\TolvikTest\\Hostile");
    const std::string system = settings.folders.windowsFolder + "\\system32\\kernel32.dll";
    MakeFile("C:\\TolvikTest\\outside.txt", "not ours");
    install::RegistryAccess registry;
    // Values a damaged trusted copy might hold: refused all the same.
    const std::string key = Keys("Hostile").trustedKey;
    const struct {
        const char* name;
        std::string value;
    } hostile[] = {
        {"File2", system},
        {"File3", "C:\\TolvikTest\\Hostile\\..\\outside.txt"},
        {"File4", "C:\\"},
        {"Folder1", settings.folders.windowsFolder + "\\"},
        {"Folder2", "C:\\"},
        {"DF1", "..\\outside"},
    };
    for (const auto& value : hostile) registry.WriteRegistryText(layout::kTrustedRoot, layout::ValuePath(key, value.name), value.value);
    registry.WriteRegistryNumber(layout::kTrustedRoot, layout::ValuePath(key, "TotalFiles"), 5);
    registry.WriteRegistryNumber(layout::kTrustedRoot, layout::ValuePath(key, "TotalFolders"), 3);
    registry.WriteRegistryNumber(layout::kTrustedRoot, layout::ValuePath(key, "TotalDF"), 2);
    // The log under HKEY_CURRENT_USER is not acted on at all.
    const std::string userLog = Keys("Hostile").logKey;
    registry.WriteRegistryText(layout::kLogRoot, layout::ValuePath(userLog, "File0"), "C:\\TolvikTest\\outside.txt");

    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Hostile", prompt, settings), UninstallResult::RemovedExcept);
    EXPECT_TRUE(Exists(system));
    EXPECT_TRUE(Exists("C:\\TolvikTest\\outside.txt"));
    ASSERT_EQ(prompt.reports.size(), 1u);
    const std::string& report = prompt.reports[0];
    for (const auto& value : hostile) {
        EXPECT_TRUE(HasLine(report, std::string("Refused ") + value.name + " = \"" + value.value + "\"")) << report;
    }
    EXPECT_TRUE(prompt.problems[0]);
    ExpectGone(product);
    EXPECT_FALSE(install::RegistryKeyExists(layout::kTrustedRoot, key));
}

TEST_F(UninstallerTest, ALogWithoutItsTrustedCopyRemovesNothingFromDisk) {
    // As an installation made before setup kept the copy, or a log planted by any program of the user.
    const FakeProduct product = Install("Legacy", "C:\\TolvikTest\\Legacy");
    install::RegistryAccess registry;
    ASSERT_TRUE(registry.DeleteRegistryKey(layout::kTrustedRoot, "SOFTWARE\\Tolvik\\Legacy"));
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Legacy", prompt, settings), UninstallResult::RecordOnly);
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0], UnconfirmedRecordQuestion("Tolvik Legacy 1.0"));
    for (const auto& file : product.files) EXPECT_TRUE(Exists(file)) << file;
    EXPECT_TRUE(Exists(product.desktopShortcut));
    ASSERT_EQ(prompt.reports.size(), 1u);
    EXPECT_EQ(prompt.reports[0], UnconfirmedRecordText("Tolvik Legacy 1.0",
                                                       {"the folder C:\\TolvikTest\\Legacy",
                                                        "the desktop shortcut \"Tolvik Legacy 1.0\"",
                                                        "the program group \"Tolvik Legacy 1.0\" in the Start menu"},
                                                       {}));
    EXPECT_FALSE(install::RegistryKeyExists(layout::kLogRoot, Keys("Legacy").logKey));
    EXPECT_FALSE(install::RegistryKeyExists(layout::kEntryRoot, Keys("Legacy").entryKey));
    // What the user removes by hand.
    for (const auto& file : product.files) DeleteFileA(file.c_str());
    DeleteFileA(product.desktopShortcut.c_str());
    DeleteFileA((product.groupFolder + "\\" + product.group + ".lnk").c_str());
    DeleteFileA((product.groupFolder + "\\License.lnk").c_str());
    DeleteFileA((product.groupFolder + "\\Uninstall Legacy.lnk").c_str());
    RemoveDirectoryA(product.groupFolder.c_str());
    RemoveDirectoryA(product.destination.c_str());
}

TEST_F(UninstallerTest, AnotherProductsEntryOfTheSameNameStays) {
    install::RegistryAccess registry;
    const std::string entry = Keys("Vendor App").entryKey;
    ASSERT_TRUE(registry.WriteRegistryText(layout::kEntryRoot, layout::ValuePath(entry, "UninstallString"),
                                           "C:\\Program Files\\Vendor\\uninst.exe /S"));
    ASSERT_TRUE(registry.WriteRegistryText(layout::kLogRoot, layout::ValuePath(Keys("Vendor App").logKey, "Project"),
                                           "Vendor App"));
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Vendor App", prompt, settings), UninstallResult::RecordOnly);
    EXPECT_TRUE(install::RegistryKeyExists(layout::kEntryRoot, entry));
    EXPECT_FALSE(install::RegistryKeyExists(layout::kLogRoot, Keys("Vendor App").logKey));
    EXPECT_TRUE(registry.DeleteRegistryKey(layout::kEntryRoot, entry));
}

TEST_F(UninstallerTest, AFileSetupWroteIntoProgramFilesIsRemoved) {
    // A "pf" entry of the document: written straight into Program Files, outside the destination.
    const FakeProduct product = Install("Plugin", "C:\\TolvikTest\\Plugin");
    std::string programFiles;
    ASSERT_TRUE(install::ReadRegistryValueText(install::LocalMachine,
                                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir",
                                               programFiles));
    const std::string plugin = programFiles + "\\TolvikTestPlugin.dll";
    MakeFile(plugin);
    install::RegistryAccess registry;
    for (const std::string& key : {Keys("Plugin").logKey, Keys("Plugin").trustedKey}) {
        const int root = key == Keys("Plugin").logKey ? layout::kLogRoot : layout::kTrustedRoot;
        registry.WriteRegistryText(root, layout::ValuePath(key, "File2"), plugin);
        registry.WriteRegistryNumber(root, layout::ValuePath(key, "TotalFiles"), 3);
    }
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Plugin", prompt, settings), UninstallResult::Removed) << prompt.reports[0];
    EXPECT_FALSE(Exists(plugin));
    EXPECT_TRUE(Exists(programFiles));
    ExpectGone(product);
}

// A product installed for the current user only, as its setup does it: the
// record and entry under HKEY_CURRENT_USER, the shortcuts in the user's own
// folders, the uninstaller's own copy (a stand-in file) in the product's folder.
FakeProduct InstallForUser(const std::string& record, const std::string& destination, const SystemFolders& folders) {
    FakeProduct product{record, "Tolvik " + record + " 1.0", destination, {}, {}, {}};
    install::UninstallRecord log(record, install::InstallScope::User);
    MakeFilesAndLogThem(product, log, {"Program.exe", "TKUNTOOL.EXE"});
    const auto shortcut = [&](const std::string& path, const std::string& target, std::optional<std::string> arguments) {
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(install::ShortcutMaker().CreateShellLink(target, "", arguments, destination + "\\", std::nullopt, 0,
                                                           bytes),
                  S_OK);
        MakeFile(path, std::string(bytes.begin(), bytes.end()));
    };
    product.desktopShortcut = folders.desktopFolder + "\\" + product.group + ".lnk";
    shortcut(product.desktopShortcut, product.files[0], std::nullopt);
    log.AddDesktopShortcut(product.group);
    product.groupFolder = folders.programsFolder + "\\" + product.group;
    CreateDirectoryA(product.groupFolder.c_str(), nullptr);
    shortcut(product.groupFolder + "\\" + product.group + ".lnk", product.files[0], std::nullopt);
    shortcut(product.groupFolder + "\\Uninstall " + record + ".lnk", product.files[1], record + " /CURRENTUSER");
    log.FinishShortcuts(product.group);
    install::UninstallEntry entry;
    entry.groupName = product.group;
    entry.uninstallerPath = product.files[1];
    entry.installLocation = destination;
    log.WriteUninstallEntry(entry);
    return product;
}

bool Whole(const FakeProduct& product) {
    for (const auto& file : product.files) {
        if (!Exists(file)) return false;
    }
    return Exists(product.desktopShortcut) && Exists(product.groupFolder + "\\" + product.group + ".lnk");
}

// A machine's and a current user's record of one name: each uninstall acts on
// its own record alone, and an elevated one on no current user's record at all.
TEST_F(UninstallerTest, TheMachinesAndTheUsersRecordOfOneNameAreRemovedApart) {
    const auto machine = Keys("Twin");
    const auto user = Keys("Twin", install::InstallScope::User);
    const FakeProduct machineCopy = Install("Twin", "C:\\TolvikTest\\TwinMachine");
    FakeProduct userCopy = InstallForUser("Twin", "C:\\TolvikTest\\TwinUser", settings.folders);
    const auto machineWhole = [&] {
        return Whole(machineCopy) && install::RegistryKeyExists(machine.trustedRoot, machine.trustedKey) &&
               install::RegistryKeyExists(machine.entryRoot, machine.entryKey) &&
               install::RegistryKeyExists(machine.logRoot, machine.logKey);
    };
    const auto userWhole = [&] {
        return Whole(userCopy) && install::RegistryKeyExists(user.trustedRoot, user.trustedKey) &&
               install::RegistryKeyExists(user.entryRoot, user.entryKey);
    };
    ASSERT_TRUE(machineWhole() && userWhole());
    // The copy it would remove is the running one; the test program is not it.
    UninstallSettings forUser = SettingsForThisProgram(install::InstallScope::User, "Twin");
    EXPECT_EQ(forUser.installedUninstaller, userCopy.files[1]);
    EXPECT_TRUE(forUser.removableUninstaller.empty());
    forUser.removableUninstaller = userCopy.files[1];

    ScriptedPrompt elevated(true);
    EXPECT_EQ(Uninstall("Twin", elevated, forUser, install::InstallScope::User), UninstallResult::Refused);
    EXPECT_EQ(elevated.reports, std::vector<std::string>{ElevatedUserRecordText("Twin")});
    EXPECT_TRUE(elevated.questions.empty());
    EXPECT_TRUE(userWhole());

    // Removed as the user, without a word about the all-users shortcuts of the same name.
    forUser.elevated = false;
    ScriptedPrompt first(true);
    EXPECT_EQ(Uninstall("Twin", first, forUser, install::InstallScope::User), UninstallResult::Removed)
        << first.reports[0];
    EXPECT_FALSE(Exists(userCopy.destination));
    EXPECT_FALSE(Exists(userCopy.desktopShortcut));
    EXPECT_FALSE(Exists(userCopy.groupFolder));
    EXPECT_FALSE(install::RegistryKeyExists(user.trustedRoot, user.trustedKey));
    EXPECT_FALSE(install::RegistryKeyExists(user.entryRoot, user.entryKey));
    EXPECT_TRUE(machineWhole());
    // Its uninstaller was parked in the temporary folder and deleted there.
    WIN32_FIND_DATAA found;
    const std::string parked = settings.folders.temporaryFolder + "\\TKU" + std::to_string(GetCurrentProcessId()) + "-*";
    EXPECT_EQ(FindFirstFileA(parked.c_str(), &found), INVALID_HANDLE_VALUE);

    // The machine's uninstall leaves the user's copy whole, without a word about
    // its shortcuts of the same names in the user's folders.
    userCopy = InstallForUser("Twin", "C:\\TolvikTest\\TwinUser", settings.folders);
    ScriptedPrompt second(true);
    EXPECT_EQ(Uninstall("Twin", second, settings), UninstallResult::Removed) << second.reports[0];
    ExpectGone(machineCopy);
    EXPECT_TRUE(userWhole());

    // A file in use keeps the user's record, and nothing waits for the next start of Windows.
    framework::FileHandle inUse(
        CreateFileA(userCopy.files[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ScriptedPrompt third(true);
    EXPECT_EQ(Uninstall("Twin", third, forUser, install::InstallScope::User), UninstallResult::RemovedExcept);
    EXPECT_TRUE(HasLine(third.reports[0], "The uninstall information was kept")) << third.reports[0];
    EXPECT_TRUE(Exists(userCopy.files[1]));
    EXPECT_TRUE(install::RegistryKeyExists(user.entryRoot, user.entryKey));
    for (const auto& pending : PendingRestartOperations()) EXPECT_EQ(pending.find("TwinUser"), std::string::npos);
    inUse.Reset();
    ScriptedPrompt last(true);
    EXPECT_EQ(Uninstall("Twin", last, forUser, install::InstallScope::User), UninstallResult::Removed)
        << last.reports[0];
    EXPECT_FALSE(Exists(userCopy.destination));
    EXPECT_FALSE(install::RegistryKeyExists(install::CurrentUser, "Software\\Tolvik\\Twin"));
    EXPECT_TRUE(install::RegistryKeyExists(install::CurrentUser, "Software"));
}

TEST_F(UninstallerTest, ANestedRecordNameTakesItsEmptyParentKeysAlong) {
    Install("Suite\\Part", "C:\\TolvikTest\\Suite", true, "Tolvik Suite Part");
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Suite\\Part", prompt, settings), UninstallResult::Removed);
    EXPECT_FALSE(install::RegistryKeyExists(layout::kLogRoot, "Software\\Tolvik\\Suite"));
    EXPECT_FALSE(install::RegistryKeyExists(layout::kEntryRoot, Keys("Suite").entryKey));
    EXPECT_TRUE(install::RegistryKeyExists(layout::kEntryRoot, std::string(layout::kSystemUninstallKey)));
}

TEST_F(UninstallerTest, TheSharedUninstallerStaysWhileAnotherProductNeedsIt) {
    const std::string copy = "C:\\TolvikTest\\TKUNTOOL.EXE";  // stands in for the installed copy
    settings.removableUninstaller = copy;
    Install("First", "C:\\TolvikTest\\First");
    Install("Second", "C:\\TolvikTest\\Second");
    MakeFile(copy);

    ScriptedPrompt first(true);
    EXPECT_EQ(Uninstall("First", first, settings), UninstallResult::Removed) << first.reports[0];
    EXPECT_TRUE(Exists(copy));
    ScriptedPrompt second(true);
    EXPECT_EQ(Uninstall("Second", second, settings), UninstallResult::Removed) << second.reports[0];
    EXPECT_FALSE(Exists(copy));
}

TEST_F(UninstallerTest, ShortcutsOfOtherProductsInTheGroupStay) {
    const FakeProduct product = Install("Shared", "C:\\TolvikTest\\Shared");
    install::ShortcutMaker shell;
    ASSERT_TRUE(shell.CreateStartMenuShortcut("C:\\Other\\other.exe", product.group, "Other", "C:\\Other\\",
                                              std::nullopt, std::nullopt, 0));
    ASSERT_TRUE(shell.CreateStartMenuShortcut(settings.installedUninstaller, product.group, "Uninstall Other",
                                              settings.folders.windowsFolder + "\\", std::string("Other"),
                                              std::nullopt, 0));
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Shared", prompt, settings), UninstallResult::RemovedExcept);
    EXPECT_TRUE(Exists(product.groupFolder + "\\Other.lnk"));
    EXPECT_TRUE(Exists(product.groupFolder + "\\Uninstall Other.lnk"));
    EXPECT_FALSE(Exists(product.groupFolder + "\\License.lnk"));
    EXPECT_FALSE(Exists(product.groupFolder + "\\Uninstall Shared.lnk"));
}

// HKCU keys a user's program made registry links to an HKLM key (as it can):
// the elevated programs write, read and delete nothing through them.
TEST_F(UninstallerTest, RegistryLinksInTheUsersKeysAreNotFollowed) {
    const std::string victim = "SOFTWARE\\TolvikVictim\\Uninstall";
    const auto victimView = sizeof(void*) == 8 ? install::RegistryView::Own : install::RegistryView::Other;
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, victim.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &raw, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(framework::RegistryKey(raw), "Project", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("Victim"), 7), ERROR_SUCCESS);
    const auto victimIntact = [&] {
        std::string project, date;
        return install::ReadRegistryValueText(install::LocalMachine, victim + "\\Project", project, victimView) &&
               project == "Victim" &&
               !install::ReadRegistryValueText(install::LocalMachine, victim + "\\IDate", date, victimView);
    };
    const auto makeLink = [](const char* path) {
        HKEY link = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr);
        const framework::RegistryKey owner(link);
        const std::wstring target = L"\\Registry\\Machine\\SOFTWARE\\TolvikVictim";
        RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                       static_cast<DWORD>(target.size() * sizeof(wchar_t)));
        return install::IsRegistryLink(link);
    };
    install::RegistryAccess registry;
    ASSERT_TRUE(registry.WriteRegistryText(layout::kLogRoot, "Software\\Tolvik\\Other", "kept for the link's parent"));
    ASSERT_TRUE(makeLink("Software\\Tolvik\\Planted"));

    // Setup: the log is refused and said so; the trusted copy is written.
    std::string runLog, text;
    framework::RunLog log([&](std::string_view line) { return !runLog.append(line).empty(); }, {});
    install::UninstallRecord record("Planted");
    record.LogWritesTo(&log);
    EXPECT_FALSE(record.Begin("Tolvik Planted", {}, "20260101"));
    EXPECT_TRUE(victimIntact());
    EXPECT_TRUE(HasLine(runLog, "HKCU\\Software\\Tolvik\\Planted is a registry link; "
                                "HKCU\\Software\\Tolvik\\Planted\\Uninstall was not written"));
    EXPECT_TRUE(install::ReadRegistryValueText(layout::kTrustedRoot, Keys("Planted").trustedKey + "\\IDate", text));
    // The uninstaller: the trusted copy goes, the link is named and stays, and
    // then what it leads to is no log at all.
    EXPECT_EQ(RemoveUninstallRecord(Keys("Planted"), install::RegistryView::Own),
              std::vector<std::string>{"The uninstall log (HKEY_CURRENT_USER\\Software\\Tolvik\\Planted\\Uninstall) "
                                       "could not be removed: HKEY_CURRENT_USER\\Software\\Tolvik\\Planted is a "
                                       "registry link."});
    EXPECT_TRUE(victimIntact());
    ScriptedPrompt prompt(true);
    EXPECT_EQ(Uninstall("Planted", prompt, settings), UninstallResult::NoRecord);
    EXPECT_TRUE(victimIntact());

    // A link inside a real log stays, with the log around it; the rest goes.
    install::UninstallRecord linked("Linked");
    EXPECT_TRUE(linked.Begin("Tolvik Linked", {}, "20260101"));
    ASSERT_TRUE(makeLink("Software\\Tolvik\\Linked\\Uninstall\\Trap"));
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(layout::kLogRoot, "Software\\Tolvik\\Linked\\Uninstall\\Trap"),
              install::KeyRemoval::Failed);
    EXPECT_EQ(RemoveUninstallRecord(Keys("Linked"), install::RegistryView::Own),
              std::vector<std::string>{"The uninstall log (HKEY_CURRENT_USER\\Software\\Tolvik\\Linked\\Uninstall) "
                                       "could not be removed: HKEY_CURRENT_USER\\Software\\Tolvik\\Linked\\Uninstall"
                                       "\\Trap is a registry link."});
    EXPECT_TRUE(victimIntact());
    EXPECT_FALSE(install::RegistryKeyExists(layout::kTrustedRoot, "SOFTWARE\\Tolvik\\Linked"));

    for (const char* path : {"Software\\Tolvik\\Planted", "Software\\Tolvik\\Linked\\Uninstall\\Trap"}) {
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path, REG_OPTION_OPEN_LINK, DELETE | KEY_QUERY_VALUE, &raw),
                  ERROR_SUCCESS);
        EXPECT_TRUE(install::DeleteOpenKey(framework::RegistryKey(raw)));
    }
    EXPECT_TRUE(registry.DeleteRegistryKey(layout::kLogRoot, "Software\\Tolvik"));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &raw), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(framework::RegistryKey(raw), "TolvikVictim"), ERROR_SUCCESS);
}

TEST(ExpandShortNames, GivesTheLongFormOfAnExistingPath) {
    const std::string folder = "C:\\TolvikTest Long Folder Name";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    char shortForm[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH);
    ASSERT_GT(length, 0u);
    ASSERT_NE(std::string(shortForm), folder);  // the volume makes short names
    EXPECT_EQ(ExpandShortNames(shortForm), folder);
    EXPECT_EQ(ExpandShortNames("C:\\NOSUCH~1\\x"), "C:\\NOSUCH~1\\x");  // kept when it cannot be looked up
    RemoveDirectoryA(folder.c_str());
}

TEST(RegistryKeys, ReadsLongValuesAndOnlyTextOrNumbers) {
    const std::string key = "Software\\TolvikTest\\Values";
    install::RegistryAccess registry;
    const std::string longText(300, 'x');
    ASSERT_TRUE(registry.WriteRegistryText(install::CurrentUser, key + "\\Long", longText));
    ASSERT_TRUE(registry.WriteRegistryDword(install::CurrentUser, key + "\\Number", 42));
    std::string text = "untouched";
    EXPECT_TRUE(install::ReadRegistryValueText(install::CurrentUser, key + "\\Long", text));
    EXPECT_EQ(text, longText);
    EXPECT_TRUE(install::ReadRegistryValueText(install::CurrentUser, key + "\\Number", text));
    EXPECT_EQ(text, "42");

    framework::RegistryKey raw;
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
    raw.Attach(opened);
    const BYTE bytes[] = {1, 2, 3};
    ASSERT_EQ(RegSetValueExA(raw, "Binary", 0, REG_BINARY, bytes, sizeof bytes), ERROR_SUCCESS);
    text = "untouched";
    EXPECT_FALSE(install::ReadRegistryValueText(install::CurrentUser, key + "\\Binary", text));
    EXPECT_FALSE(install::ReadRegistryValueText(install::CurrentUser, key + "\\Missing", text));
    EXPECT_FALSE(install::ReadRegistryValueText(install::CurrentUser, "Software\\NoSuchKey\\Value", text));
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(registry.DeleteRegistryKey(install::CurrentUser, "Software\\TolvikTest"));
}

TEST(RegistryKeys, RemovesAKeyOnlyWhenEmpty) {
    const std::string parent = "Software\\TolvikTest\\Parent";
    install::RegistryAccess registry;
    ASSERT_TRUE(registry.WriteRegistryText(install::CurrentUser, parent + "\\Child\\Value", "v"));
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(install::CurrentUser, parent), install::KeyRemoval::NotEmpty);
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(install::CurrentUser, parent + "\\Child"),
              install::KeyRemoval::NotEmpty);
    std::vector<std::string> names;
    EXPECT_TRUE(install::ListRegistrySubkeys(install::CurrentUser, parent, names));
    EXPECT_EQ(names, std::vector<std::string>{"Child"});
    ASSERT_TRUE(registry.DeleteRegistryValue(install::CurrentUser, parent + "\\Child\\Value"));
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(install::CurrentUser, parent + "\\Child"),
              install::KeyRemoval::Removed);
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(install::CurrentUser, parent + "\\Child"),
              install::KeyRemoval::Missing);
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(install::CurrentUser, ""), install::KeyRemoval::Failed);
    EXPECT_EQ(install::DeleteRegistryKeyIfEmpty(7, parent), install::KeyRemoval::Failed);
    EXPECT_TRUE(registry.DeleteRegistryKey(install::CurrentUser, "Software\\TolvikTest"));
}

}  // namespace
}  // namespace uninstaller
