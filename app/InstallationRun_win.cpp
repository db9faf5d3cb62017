#include "app/InstallationRun_win.h"

#include <windows.h>

#include <optional>

#include "app/InstallSteps.h"
#include "app/SetupDialog_win.h"
#include "framework/FileErrorText.h"
#include "framework/Handles_win.h"
#include "install/DiskSpace.h"
#include "install/FolderPath.h"
#include "install/LinkFreePath_win.h"
#include "install/ProgramFiles_win.h"
#include "install/ShortcutMaker_win.h"
#include "install/UninstallLayout.h"
#include "install/UninstallRecord.h"
#include "install/UninstallerReplacement_win.h"
#include "install/VersionInfo.h"

namespace app {

namespace {

// Pauses that let the user read each stage.
constexpr DWORD kStageWait = 500;
constexpr DWORD kStepWait = 200;
constexpr DWORD kFinalWait = 1000;

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder, length < MAX_PATH ? length : 0);
}

}  // namespace

void InstallationRun::Fail(std::string_view message) {
    const std::string text(message);
    const std::string title(kRunTitle);
    MessageBoxA(window_.Handle(), text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
    window_.ShowIdleStatus();
}

bool InstallationRun::WriteFile(const std::string& path, const std::uint8_t* bytes, std::uint32_t size) {
    DWORD error = NO_ERROR;
    {
        // FILE_FLAG_OPEN_REPARSE_POINT: a link at the file's name is opened itself, never its target.
        framework::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                               nullptr));
        BY_HANDLE_FILE_INFORMATION information;
        if (!file) {
            error = GetLastError();
        } else if (GetFileInformationByHandle(file, &information) &&
                   (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            Fail(FileErrorMessage(LinkRefusedDescription(path)));
            return false;
        } else {
            std::uint32_t written = 0;
            while (written < size) {
                DWORD chunk = 0;
                if (!::WriteFile(file, bytes + written, size - written, &chunk, nullptr) || chunk == 0) {
                    error = GetLastError();
                    if (error == NO_ERROR) error = ERROR_DISK_FULL;
                    break;
                }
                written += chunk;
            }
            if (error == NO_ERROR && !CloseHandle(file.Detach())) error = GetLastError();
        }
    }
    if (error == NO_ERROR) return true;
    Fail(FileErrorMessage(framework::DescribeFileError(framework::FileErrorKindFromWin32(error), path)));
    return false;
}

bool InstallationRun::HoldCreatedFolders() {
    heldFolders_.clear();
    const std::vector<std::string>& created = window_.CreatedFolders();
    if (created.empty()) return true;
    install::HeldPath held = install::HoldPathBelow(ParentFolder(created.front()), created.back(), {});
    if (held.state == install::PathHold::Held) {
        heldFolders_ = std::move(held.handles);
        return true;
    }
    if (held.state == install::PathHold::Link) {
        Fail(FileErrorMessage(LinkRefusedDescription(held.where)));
    } else {
        Fail(FileErrorMessage(
            framework::DescribeFileError(framework::FileErrorKindFromWin32(held.error), held.where)));
    }
    return false;
}

void InstallationRun::RemoveCreatedFolders() {
    heldFolders_.clear();
    std::vector<std::string>& created = window_.CreatedFolders();
    for (auto folder = created.rbegin(); folder != created.rend(); ++folder) RemoveDirectoryA(folder->c_str());
    created.clear();
}

void InstallationRun::Run() {
    install::InstallDocument& document = window_.Document();
    window_.UpdateData(true);
    install::ShortcutMaker shortcuts;
    window_.StopTicker();

    if (document.IsDamaged()) {
        Fail(DamagedSetupMessage(document.DamageReason()));
        return;
    }

    window_.ShowStatus(kCheckingFolders);
    const std::string destination = window_.DestinationPath();
    std::vector<std::string>& createdFolders = window_.CreatedFolders();
    if (!install::CreateFolderPath(destination, createdFolders)) {
        RemoveCreatedFolders();
        Fail(PathRejectedMessage());
        return;
    }

    Sleep(kStageWait);
    window_.ShowStatus(kCheckingDiskSpace);
    // When the free space cannot be told, the run goes on: a full disk still
    // stops it at the first file that cannot be written, with its own message.
    std::uint64_t freeBytes = 0;
    if (install::GetFreeDiskSpace(destination, freeBytes) &&
        !install::HasEnoughSpace(freeBytes, document.requiredKilobytes)) {
        RemoveCreatedFolders();
        Fail(kNotEnoughSpace);
        return;
    }
    Sleep(kStageWait);

    install::UninstallRecord record(document.registryRecord);
    record.Begin(document.groupName, createdFolders);
    if (!HoldCreatedFolders()) return;
    window_.ShowStatus(CompleteText(5));
    Sleep(kStepWait);

    BaseFolders folders;
    folders.destination = destination;
    folders.windowsFolder = WindowsFolder();
    folders.programFiles = install::ProgramFilesFolder();
    ProgressCounter progress(document.entries.size());
    for (const install::PayloadEntry& entry : document.entries) {
        const std::string path = BaseFolderFor(entry.folderKind, folders) + entry.fileName;
        if (!WriteFile(path, entry.data.get(), entry.size)) return;
        if (IsLoggedKind(entry.folderKind)) record.AddFile(path);
        window_.ShowStatus(CompleteText(progress.Advance()));
        Sleep(kStepWait);
    }
    record.FinishFiles();

    window_.ShowStatus(kCreatingShortcuts);
    Sleep(kStepWait);
    for (const install::PayloadEntry& entry : document.entries) {
        const std::string base = BaseFolderFor(entry.folderKind, folders);
        const std::string target = base + entry.fileName;
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

    window_.ShowStatus(kSettingUninstall);
    Sleep(kStepWait);
    const std::string windowsBase = WithTrailingBackslash(folders.windowsFolder);
    const std::string uninstallerPath = windowsBase + std::string(install::uninstall_layout::kUninstallerFileName);
    storage::HeapBlock uninstaller;
    std::uint32_t uninstallerSize = 0;
    if (!window_.Container().GetBinary("Uninstall", uninstaller, uninstallerSize, "")) {
        Fail(kSourceCorrupt);
        return;
    }
    const bool written = install::InstalledProgramIsNewer(uninstallerPath, {uninstaller.get(), uninstallerSize}) ||
                         WriteFile(uninstallerPath, uninstaller.get(), uninstallerSize);
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

    heldFolders_.clear();
    window_.ShowStatus(kCompleteSuccessfully);
    Sleep(kFinalWait);
    window_.EndDialog(0);
}

}  // namespace app
