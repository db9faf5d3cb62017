#include "app/InstallationRun_win.h"

#include <windows.h>

#include <optional>

#include "app/InstallSteps.h"
#include "app/PayloadFiles_win.h"
#include "app/PayloadPass_win.h"
#include "app/SetupDialog_win.h"
#include "framework/FileErrorText.h"
#include "framework/Handles_win.h"
#include "framework/WideText_win.h"
#include "install/DiskSpace.h"
#include "install/FileRemoval_win.h"
#include "install/FolderPath.h"
#include "install/LinkFreePath.h"
#include "install/ProgramFiles_win.h"
#include "install/RelativeOpen_win.h"
#include "install/ShortcutMaker_win.h"
#include "install/UninstallLayout.h"
#include "install/UninstallRecord.h"
#include "install/UninstallerReplacement_win.h"
#include "install/VersionInfo.h"

namespace app {

namespace {

std::string ProblemMessage(const PayloadProblem& problem) {
    switch (problem.fault) {
        case PayloadFault::Link: return FileErrorMessage(LinkRefusedDescription(problem.where));
        case PayloadFault::Foreign: return FileErrorMessage(ForeignFileDescription(problem.where));
        case PayloadFault::OpenFolder: return FileErrorMessage(OpenFolderDescription(problem.where));
        case PayloadFault::None:
        case PayloadFault::Failed: break;
    }
    return FileErrorMessage(
        framework::DescribeFileError(framework::FileErrorKindFromWin32(problem.error), problem.where));
}

// The system's Windows folder: GetWindowsDirectory gives a private per-user folder
// on a Terminal Server to a program not marked as aware of it.
std::string WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    return framework::Utf8Text(std::wstring_view(folder, length < MAX_PATH ? length : 0));
}

void ShowRunBox(HWND owner, std::string_view text, UINT icon) {
    MessageBoxW(owner, framework::WideText(text).c_str(), framework::WideText(kRunTitle).c_str(), MB_OK | icon);
}

// Removes the files an earlier run of the record installed and this run does not
// (stale); returns those still there: a link, a file with a second name, one below
// a link, one in use. They stay listed, so that the uninstaller still removes them.
std::vector<std::string> RemoveStaleFiles(const std::vector<std::string>& stale, framework::RunLog& log) {
    std::vector<std::string> kept;
    for (const std::string& file : stale) {
        const install::Removal removal = install::RemoveFile(file, install::DriveRootOf(file));
        if (removal.state == install::RemovalState::Removed) log.Removed(file);
        if (removal.state == install::RemovalState::Refused || removal.state == install::RemovalState::Failed) {
            log.Kept(install::DescribeFailure(removal, file));
            kept.push_back(file);
        }
    }
    return kept;
}

// Removes each folder an earlier run of the record created that is now empty, in
// the log's order (deepest first), through the same link-free removal. The
// destination and every folder this run holds stay: the run works in them. A folder
// that stays is listed again by the record (UninstallRecord::Begin).
void RemoveEmptyEarlierFolders(const std::vector<std::string>& folders, const std::string& destination,
                               const install::HeldFolders& held, framework::RunLog& log) {
    for (const std::string& folder : folders) {
        if (install::FolderKey(folder) == install::FolderKey(destination) || held.Find(folder)) continue;
        const install::Removal removal = install::RemoveEmptyFolder(folder, install::DriveRootOf(folder));
        if (removal.state == install::RemovalState::Removed) log.Removed(folder);
        if (removal.state == install::RemovalState::Refused || removal.state == install::RemovalState::Failed) {
            log.Kept(install::DescribeFailure(removal, folder));
        }
    }
}

}  // namespace

framework::RunLog& InstallationRun::Log() { return window_.Report().Log(); }

void InstallationRun::Fail(std::string_view message) {
    const std::string text(message);
    held_.Release();
    window_.Report().Message(text);
    if (!window_.Report().ShowsBoxes()) {
        window_.EndDialog(kEndFailed);
        return;
    }
    // The box belongs to the window's thread, owned by the window.
    window_.OnWindowThread([&] {
        ShowRunBox(window_.Handle(), text, MB_ICONSTOP);
        window_.ShowIdleStatus();
        window_.ReleaseWindowFromRun();
    });
}

bool InstallationRun::WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    // FILE_FLAG_OPEN_REPARSE_POINT: a link at the file's name is opened itself, never its target.
    framework::FileHandle file(CreateFileW(framework::WideText(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                           nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        Fail(FileErrorMessage(framework::DescribeFileError(framework::FileErrorKindFromWin32(GetLastError()), path)));
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(file, &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        Fail(FileErrorMessage(LinkRefusedDescription(path)));
        return false;
    }
    DWORD error = install::WriteAll(file, bytes.data(), bytes.size());
    if (error == NO_ERROR && !CloseHandle(file.Detach())) error = GetLastError();
    if (error == NO_ERROR) {
        Log().FileWritten(path);
        return true;
    }
    Fail(FileErrorMessage(framework::DescribeFileError(framework::FileErrorKindFromWin32(error), path)));
    return false;
}

void InstallationRun::RemoveCreatedFolders() {
    held_.RemoveCreated();
    window_.CreatedFolders().clear();
}

void InstallationRun::ShowPaced(std::string_view text, unsigned wait) {
    HoldStatus();
    if (text != statusText_) {
        window_.ShowStatus(text);
        statusText_.assign(text);
    }
    statusShownAt_ = GetTickCount64();
    // With /S nobody sees the texts: nothing to pace.
    statusWait_ = IsWindowVisible(window_.Handle()) ? wait : 0;
}

void InstallationRun::HoldStatus() {
    const ULONGLONG shownFor = GetTickCount64() - statusShownAt_;
    if (shownFor < statusWait_) Sleep(static_cast<DWORD>(statusWait_ - shownFor));
    statusWait_ = 0;
}

void InstallationRun::Run() {
    install::InstallDocument& document = window_.Document();
    window_.UpdateData(true);
    install::ShortcutMaker shortcuts;
    shortcuts.LogShortcutsTo(&Log());
    window_.StopTicker();

    if (document.IsDamaged()) {
        Fail(DamagedSetupMessage(document.DamageReason()));
        return;
    }

    ShowPaced(kCheckingFolders, kStageWait);
    const std::string destination = window_.DestinationPath();
    Log().Write("destination", destination);
    std::vector<std::string>& createdFolders = window_.CreatedFolders();
    if (!install::CreateFolderPath(destination, createdFolders, held_)) {
        // A link or a folder others may change along the path is named; any other refusal is a bad path.
        const std::string link = held_.RefusedLink();
        const std::string open = held_.RefusedOpenFolder();
        RemoveCreatedFolders();
        if (!link.empty()) {
            Fail(FileErrorMessage(LinkRefusedDescription(link)));
        } else {
            Fail(open.empty() ? PathRejectedMessage() : FileErrorMessage(OpenFolderDescription(open)));
        }
        return;
    }

    ShowPaced(kCheckingDiskSpace, kStageWait);
    // When the free space cannot be told, the run goes on: a full disk still
    // stops it at the first file that cannot be written, with its own message.
    std::uint64_t freeBytes = 0;
    if (install::GetFreeDiskSpace(destination, freeBytes) &&
        !install::HasEnoughSpace(freeBytes, document.requiredKilobytes)) {
        RemoveCreatedFolders();
        Fail(kNotEnoughSpace);
        return;
    }

    BaseFolders folders;
    folders.destination = destination;
    folders.windowsFolder = WindowsFolder();
    folders.programFiles = install::ProgramFilesFolder();
    install::UninstallRecord record(document.registryRecord);
    record.LogWritesTo(&Log());
    // Every file's folder is held (its subfolders made) and a file already there
    // that this record did not install is refused, before anything is written.
    const std::vector<std::string> earlierFiles = record.TrustedFiles();
    PayloadFiles payload;
    PayloadProblem problem;
    if (!payload.Prepare(document.entries, folders, earlierFiles, held_, createdFolders, problem)) {
        RemoveCreatedFolders();
        Fail(ProblemMessage(problem));
        return;
    }
    ShowPaced(CompleteText(5), kStepWait);

    // Every payload file is written before the log is begun, each checked as it is
    // decoded: a pass that fails removes its files, so a damaged container leaves
    // nothing behind (no file, no folder, no uninstall log).
    ProgressCounter progress(document.entries);
    PayloadPass files(payload, held_, [&] {
        ShowPaced(CompleteText(progress.Advance()), progress.FileWait());
    });
    if (!files.Write(window_.Container(), document)) {
        RemoveCreatedFolders();
        const bool damaged = !files.DamagedReason().empty();
        Fail(damaged ? DamagedSetupMessage(files.DamagedReason()) : ProblemMessage(files.Problem()));
        return;
    }
    // With every new file in place, what an earlier run of the record installed and
    // this one does not goes, and then the earlier run's folders left empty, before
    // the log is begun: it lists only what is still there.
    std::vector<std::string> installed;
    for (std::size_t index = 0; index < document.entries.size(); ++index) installed.push_back(payload.PathOf(index));
    const std::vector<std::string> keptFiles = RemoveStaleFiles(StaleFiles(earlierFiles, installed), Log());
    RemoveEmptyEarlierFolders(record.TrustedFolders(), destination, held_, Log());
    for (const std::string& folder : createdFolders) Log().FolderCreated(folder);
    record.Begin(document.groupName, createdFolders);
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        Log().FileWritten(payload.PathOf(index));
        if (IsLoggedKind(document.entries[index].folderKind)) record.AddFile(payload.PathOf(index));
    }
    for (const std::string& file : keptFiles) record.AddFile(file);
    record.FinishFiles();

    ShowPaced(kCreatingShortcuts, kStepWait);
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        const install::PayloadEntry& entry = document.entries[index];
        const std::string base = BaseFolderFor(entry.folderKind, folders);
        const std::string& target = payload.PathOf(index);
        if (entry.desktopShortcut &&
            shortcuts.CreateDesktopShortcut(target, document.groupName, entry.shortcutName, base, std::nullopt,
                                            std::nullopt, 0)) {
            record.AddDesktopShortcut(entry.shortcutName);
        }
        if (entry.startMenuShortcut) {
            shortcuts.CreateStartMenuShortcut(target, document.groupName, entry.shortcutName, base, std::nullopt,
                                              std::nullopt, 0);
        }
    }
    record.FinishShortcuts(document.groupName);

    ShowPaced(kSettingUninstall, kStepWait);
    const std::string windowsBase = WithTrailingBackslash(folders.windowsFolder);
    const std::string uninstallerPath = windowsBase + std::string(install::uninstall_layout::kUninstallerFileName);
    storage::HeapBlock uninstaller;
    std::uint32_t uninstallerSize = 0;
    if (!window_.Container().GetBinary("Uninstall", uninstaller, uninstallerSize, "")) {
        Fail(kSourceCorrupt);
        return;
    }
    // A newer uninstaller that another product installed stays: it serves every record.
    const bool written =
        install::InstalledProgramIsNewer(uninstallerPath, {uninstaller.get(), uninstallerSize}) ||
        WriteFile(uninstallerPath, {uninstaller.get(), uninstallerSize});
    uninstaller.reset();
    if (!written) return;
    shortcuts.CreateStartMenuShortcut(uninstallerPath, document.groupName,
                                      install::uninstall_layout::UninstallerShortcutName(document.registryRecord), windowsBase,
                                      document.registryRecord, std::nullopt, 0);

    install::UninstallEntry entry;
    entry.groupName = document.groupName;
    entry.uninstallerPath = uninstallerPath;
    entry.installLocation = InstallLocationFor(destination);
    entry.estimatedKilobytes = document.requiredKilobytes;
    const install::OwnVersionTexts version = install::ReadOwnVersionTexts();
    entry.displayVersion = version.productVersion;
    entry.publisher = version.companyName;
    record.WriteUninstallEntry(entry);

    held_.Release();
    ShowPaced(kCompleteSuccessfully, kFinalWait);
    HoldStatus();
    // The run is complete without them, but says which shortcuts it could not make.
    for (const install::LostShortcut& shortcut : shortcuts.Lost()) Log().ShortcutLost(install::LostShortcutText(shortcut));
    if (!shortcuts.Lost().empty() && window_.Report().ShowsBoxes()) {
        const std::string lost = LostShortcutsMessage(install::LostShortcutLines(shortcuts.Lost()));
        window_.OnWindowThread([&] { ShowRunBox(window_.Handle(), lost, MB_ICONEXCLAMATION); });
    }
    window_.EndDialog(0);
}

}  // namespace app
