#include "app/InstallationRun_win.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "app/InstallSteps.h"
#include "app/PayloadFiles_win.h"
#include "app/FilesInUsePrompt_win.h"
#include "app/PayloadPass_win.h"
#include "app/RunBox_win.h"
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
#include "install/RestartOperations_win.h"
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

std::string InstallationRun::WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    // FILE_FLAG_OPEN_REPARSE_POINT: a link at the file's name is opened itself, never its target.
    framework::FileHandle file(CreateFileW(framework::WideText(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                           nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return FileErrorMessage(framework::DescribeFileError(framework::FileErrorKindFromWin32(GetLastError()), path));
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(file, &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return FileErrorMessage(LinkRefusedDescription(path));
    }
    DWORD error = install::WriteAll(file, bytes.data(), bytes.size());
    if (error == NO_ERROR && !CloseHandle(file.Detach())) error = GetLastError();
    if (error != NO_ERROR) {
        return FileErrorMessage(framework::DescribeFileError(framework::FileErrorKindFromWin32(error), path));
    }
    Log().FileWritten(path);
    return {};
}

void InstallationRun::RemoveCreatedFolders() {
    held_.RemoveCreated();
    // A folder that could not be removed stays listed: a later attempt records it.
    std::erase_if(window_.CreatedFolders(), [](const std::string& folder) {
        return GetFileAttributesW(framework::WideText(folder).c_str()) == INVALID_FILE_ATTRIBUTES;
    });
}

void InstallationRun::Undo(install::UninstallRecord& record, const Undoing& undoing) {
    // The uninstaller first: for one user it lies in a folder this run may have made.
    if (undoing.uninstallerMade && !undoing.earlierRecord) {
        install::RemoveFile(undoing.uninstallerPath, install::DriveRootOf(undoing.uninstallerPath));
    }
    RemoveCreatedFolders();
    // While a folder of an attempt stays, so does the record that lists it.
    if (!window_.CreatedFolders().empty()) return;
    if (undoing.earlierRecord) {
        if (!undoing.earlierIncomplete) record.Complete();
    } else {
        record.Forget(undoing.entryWritten);
    }
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
    const bool forOneUser = window_.Scope() == install::InstallScope::User;
    if (forOneUser && std::any_of(document.entries.begin(), document.entries.end(), [](const auto& entry) {
            return entry.folderKind == install::FolderKind::WindowsFolder;
        })) {
        Fail(kWindowsFolderForOneUser);
        return;
    }

    ShowPaced(kCheckingFolders, kStageWait);
    const std::string destination = window_.DestinationPath();
    Log().Write("destination", destination);
    // The folders that exist are held now; those missing are made once the record notes them.
    std::vector<std::string> missingFolders;
    if (!install::HoldFolderPath(destination, missingFolders, held_)) {
        // A link or a folder others may change along the path is named; any other refusal is a bad path.
        const std::string link = held_.RefusedLink();
        const std::string open = held_.RefusedOpenFolder();
        held_.Release();
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
    // It is asked of the deepest folder of the destination that exists.
    std::uint64_t freeBytes = 0;
    std::string existing = destination, missingName;
    if (!missingFolders.empty()) install::SplitLastPart(missingFolders.front(), existing, missingName);
    if (install::GetFreeDiskSpace(existing, freeBytes) &&
        !install::HasEnoughSpace(freeBytes, document.requiredKilobytes)) {
        held_.Release();
        Fail(kNotEnoughSpace);
        return;
    }

    BaseFolders folders;
    folders.destination = destination;
    folders.windowsFolder = WindowsFolder();
    folders.programFiles = forOneUser ? install::UserProgramFilesFolder() : install::ProgramFilesFolder();
    install::UninstallRecord record(document.registryRecord, window_.Scope());
    record.LogWritesTo(&Log());
    Undoing undoing;
    undoing.earlierRecord = record.Exists();
    undoing.earlierIncomplete = record.Incomplete();
    if (undoing.earlierIncomplete) Log().Write("recovery", "an earlier run of this product did not complete; this run completes it");
    const install::OwnVersionTexts version = install::ReadOwnVersionTexts();
    // No version is refused: what this run does to the installed one is said.
    if (const std::string change = VersionChangeText(record.InstalledVersion(), version.productVersion); !change.empty()) {
        Log().Write("version", change);
    }
    // What the record covers is this product's own: replaced or removed, never refused.
    const std::vector<std::string> recordedFiles = record.RecordedFiles();
    PayloadFiles payload;
    PayloadProblem problem;
    if (!payload.Prepare(document.entries, folders, recordedFiles, held_, missingFolders, problem)) {
        held_.Release();
        Fail(ProblemMessage(problem));
        return;
    }

    // Running programs that hold the files to replace are named before anything is made.
    install::RestartManagerSession programs;
    if (!AskAboutHoldingPrograms(programs, payload, document.entries.size())) return;

    // Before anything is made, the record notes all of it, with what it listed
    // already: however the run ends from here on, the record covers every file and
    // folder on disk.
    std::vector<std::string> noted = record.TrustedFiles();
    for (const std::string& folder : record.TrustedFolders()) noted.push_back(folder);
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        if (payload.WritesNewCopy(index)) noted.push_back(payload.PathOf(index));
    }
    for (const std::string& folder : missingFolders) noted.push_back(folder);
    for (const std::string& folder : window_.CreatedFolders()) noted.push_back(folder);
    // For one user the uninstaller goes into the product's folder, which the user
    // can write, instead of the Windows folder, shared by every product.
    const std::string uninstallerBase = WithTrailingBackslash(forOneUser ? destination : folders.windowsFolder);
    undoing.uninstallerPath = uninstallerBase + std::string(install::uninstall_layout::kUninstallerFileName);
    if (forOneUser) noted.push_back(undoing.uninstallerPath);
    if (!record.Note(noted)) {
        Undo(record, undoing);
        Fail(kRecordNotWritten);
        return;
    }

    // The uninstaller and its entry come before the first file, so that the
    // product can be removed however the run ends; for one user, once its folder is made.
    if (!forOneUser) {
        if (const std::string failure = WriteUninstaller(undoing); !failure.empty()) {
            Undo(record, undoing);
            Fail(failure);
            return;
        }
    }
    install::UninstallEntry entry;
    entry.groupName = document.groupName;
    entry.uninstallerPath = undoing.uninstallerPath;
    entry.installLocation = InstallLocationFor(destination);
    entry.estimatedKilobytes = document.requiredKilobytes;
    entry.displayVersion = version.productVersion;
    entry.publisher = version.companyName;
    if (!record.HasUninstallEntry()) {
        record.WriteUninstallEntry(entry);
        undoing.entryWritten = true;
    }

    std::vector<std::string>& createdFolders = window_.CreatedFolders();
    std::string failedFolder;
    if (!install::MakeFolders(missingFolders, held_, createdFolders, failedFolder)) {
        const std::string link = held_.RefusedLink();
        const std::string open = held_.RefusedOpenFolder();
        Undo(record, undoing);
        if (!link.empty()) {
            Fail(FileErrorMessage(LinkRefusedDescription(link)));
        } else if (!open.empty()) {
            Fail(FileErrorMessage(OpenFolderDescription(open)));
        } else {
            Fail(FileErrorMessage(framework::DescribeFileError(framework::FileErrorKind::BadPath, failedFolder)));
        }
        return;
    }
    if (forOneUser) {
        if (const std::string failure = WriteUninstaller(undoing); !failure.empty()) {
            Undo(record, undoing);
            Fail(failure);
            return;
        }
    }
    ShowPaced(CompleteText(5), kStepWait);

    // Every payload file is written before any is put in place, each checked as it
    // is decoded: a pass that fails removes what it wrote, so a damaged container
    // leaves nothing behind and an earlier version stays whole.
    ProgressCounter progress(document.entries);
    PayloadPass files(payload, held_, [&] {
        ShowPaced(CompleteText(progress.Advance()), progress.FileWait());
    });
    if (!files.Write(window_.Container(), document)) {
        Undo(record, undoing);
        const bool damaged = !files.DamagedReason().empty();
        Fail(damaged ? DamagedSetupMessage(files.DamagedReason()) : ProblemMessage(files.Problem()));
        return;
    }
    // A file still in use is replaced when Windows next starts: until then the
    // product is the earlier one's in that file only, and the run ends with 3010.
    // Only an administrator may have the system do that: for one user, the run
    // stops at the file in use, noted, and setup run again completes the product.
    bool restartNeeded = false;
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        const std::string& path = payload.PathOf(index);
        DWORD error = payload.Commit(index, held_);
        if (error != NO_ERROR && install::IsInUseError(error) && !forOneUser) {
            error = install::ReplaceAtRestart(install::uninstall_layout::NewCopyPath(path), path);
            if (error == NO_ERROR) Log().Write("replaced at restart", path);
            restartNeeded |= error == NO_ERROR;
        }
        if (error != NO_ERROR) {
            // The files put in place so far stay, noted: running setup again completes the product.
            held_.Release();
            Fail(FileErrorMessage(framework::DescribeFileError(framework::FileErrorKindFromWin32(error), path)));
            return;
        }
    }

    // With every new file in place, what an earlier run of the record installed and
    // this one does not goes, and then the earlier run's folders left empty, before
    // the log is begun: it lists only what is still there.
    std::vector<std::string> installed;
    for (std::size_t index = 0; index < document.entries.size(); ++index) installed.push_back(payload.PathOf(index));
    if (forOneUser) installed.push_back(undoing.uninstallerPath);
    const std::vector<std::string> keptFiles = RemoveStaleFiles(StaleFiles(recordedFiles, installed), Log());
    RemoveEmptyEarlierFolders(record.RecordedFolders(), destination, held_, Log());
    for (const std::string& folder : createdFolders) Log().FolderCreated(folder);
    record.Begin(document.groupName, createdFolders);
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        Log().FileWritten(payload.PathOf(index));
        if (IsLoggedKind(document.entries[index].folderKind)) record.AddFile(payload.PathOf(index));
    }
    for (const std::string& file : keptFiles) record.AddFile(file);
    record.FinishFiles();

    ShowPaced(kCreatingShortcuts, kStepWait);
    std::vector<std::string> desktopShortcuts;
    for (const install::PayloadEntry& payloadEntry : document.entries) {
        if (payloadEntry.desktopShortcut) desktopShortcuts.push_back(payloadEntry.shortcutName);
    }
    record.NoteShortcuts(desktopShortcuts, document.groupName);
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        const install::PayloadEntry& payloadEntry = document.entries[index];
        const std::string base = BaseFolderFor(payloadEntry.folderKind, folders);
        const std::string& target = payload.PathOf(index);
        if (payloadEntry.desktopShortcut &&
            shortcuts.CreateDesktopShortcut(target, document.groupName, payloadEntry.shortcutName, base, std::nullopt,
                                            std::nullopt, 0)) {
            record.AddDesktopShortcut(payloadEntry.shortcutName);
        }
        if (payloadEntry.startMenuShortcut) {
            shortcuts.CreateStartMenuShortcut(target, document.groupName, payloadEntry.shortcutName, base,
                                              std::nullopt, std::nullopt, 0);
        }
    }
    record.FinishShortcuts(document.groupName);

    ShowPaced(kSettingUninstall, kStepWait);
    shortcuts.CreateStartMenuShortcut(undoing.uninstallerPath, document.groupName,
                                      install::uninstall_layout::UninstallerShortcutName(document.registryRecord),
                                      uninstallerBase,
                                      document.registryRecord + (forOneUser ? " /CURRENTUSER" : ""), std::nullopt, 0);
    record.WriteUninstallEntry(entry);
    record.Complete();

    held_.Release();
    programs.RestartClosedPrograms();
    ShowPaced(kCompleteSuccessfully, kFinalWait);
    HoldStatus();
    // The run is complete without them, but says which shortcuts it could not make.
    for (const install::LostShortcut& shortcut : shortcuts.Lost()) Log().ShortcutLost(install::LostShortcutText(shortcut));
    if (!shortcuts.Lost().empty() && window_.Report().ShowsBoxes()) {
        const std::string lost = LostShortcutsMessage(install::LostShortcutLines(shortcuts.Lost()));
        window_.OnWindowThread([&] { ShowRunBox(window_.Handle(), lost, MB_ICONEXCLAMATION); });
    }
    if (restartNeeded && window_.Report().ShowsBoxes()) {
        window_.OnWindowThread([&] { ShowRunBox(window_.Handle(), kReplacedAtRestart, MB_ICONINFORMATION); });
    }
    window_.EndDialog(restartNeeded ? kEndInstalledRestartNeeded : kEndInstalled);
}

bool InstallationRun::AskAboutHoldingPrograms(install::RestartManagerSession& programs, const PayloadFiles& payload,
                                              std::size_t entryCount) {
    std::vector<std::string> paths;
    for (std::size_t index = 0; index < entryCount; ++index) paths.push_back(payload.PathOf(index));
    if (!programs.RegisterFiles(paths)) return true;
    while (true) {
        const std::optional<install::HoldingProgramList> holders = programs.HoldingPrograms();
        if (!holders || holders->names.empty()) return true;
        for (const std::string& name : holders->names) Log().Write("in use by", name);
        // Without a box, programs are closed only when the command line asks.
        FilesInUseChoice choice = window_.Options().closeApplications ? FilesInUseChoice::CloseThem
                                                                      : FilesInUseChoice::TryAgain;
        if (window_.Report().ShowsBoxes()) {
            window_.OnWindowThread([&] { choice = AskAboutFilesInUse(window_.Handle(), holders->names); });
        } else if (choice != FilesInUseChoice::CloseThem) {
            return true;
        }
        if (choice == FilesInUseChoice::Cancel) {
            // The user's own choice: the window is idle again without another box.
            held_.Release();
            Log().Write("cancelled", kFilesInUseCancelled);
            window_.OnWindowThread([&] {
                window_.ShowIdleStatus();
                window_.ReleaseWindowFromRun();
            });
            return false;
        }
        // What the programs keep holding is replaced when Windows next starts.
        if (choice == FilesInUseChoice::CloseThem) {
            if (!holders->restartOnly) programs.CloseHoldingPrograms();
            return true;
        }
    }
}

std::string InstallationRun::WriteUninstaller(Undoing& undoing) {
    storage::HeapBlock uninstaller;
    std::uint32_t uninstallerSize = 0;
    if (!window_.Container().GetBinary("Uninstall", uninstaller, uninstallerSize, "")) return std::string(kSourceCorrupt);
    // A newer uninstaller that another product installed in the Windows folder
    // stays: it serves every record. One user's is the product's own.
    const std::span<const std::uint8_t> bytes{uninstaller.get(), uninstallerSize};
    if (window_.Scope() == install::InstallScope::Machine &&
        install::InstalledProgramIsNewer(undoing.uninstallerPath, bytes)) {
        return {};
    }
    const bool there = GetFileAttributesW(framework::WideText(undoing.uninstallerPath).c_str()) != INVALID_FILE_ATTRIBUTES;
    std::string failure = WriteFile(undoing.uninstallerPath, bytes);
    undoing.uninstallerMade = !there && failure.empty();
    return failure;
}

}  // namespace app
