#include "install/UninstallRecord.h"

#include <windows.h>

#include "framework/WideText_win.h"
#include "install/InstallDate.h"
#include "install/RegistryKeys_win.h"
#include "install/UninstallLayout.h"

namespace install {

namespace layout = uninstall_layout;

UninstallRecord::UninstallRecord(std::string registryRecord)
    : record_(std::move(registryRecord)),
      usable_(layout::IsValidRecordName(record_)),
      logKey_(layout::LogKey(record_)),
      trustedKey_(layout::TrustedLogKey(record_)),
      entryKey_(layout::EntryKey(record_)) {}

UninstallRecord::~UninstallRecord() = default;

// Every value goes to the log and, the same, to its trusted copy.
bool UninstallRecord::WriteLogText(std::string_view valueName, std::string_view text) {
    if (!usable_) return false;
    const bool logged = registry_.WriteRegistryText(layout::kLogRoot, layout::ValuePath(logKey_, valueName), text);
    return registry_.WriteRegistryText(layout::kTrustedRoot, layout::ValuePath(trustedKey_, valueName), text) &&
           logged;
}

bool UninstallRecord::WriteLogNumber(std::string_view valueName, std::int32_t number) {
    return WriteLogText(valueName, std::to_string(number));
}

std::vector<std::string> UninstallRecord::TrustedFolders() const {
    std::vector<std::string> folders;
    std::string text;
    if (!usable_ || !ReadRegistryValueText(layout::kTrustedRoot, layout::ValuePath(trustedKey_, layout::kTotalFolders),
                                           text)) {
        return folders;
    }
    const int total = layout::ParseCount(text).value_or(0);
    for (int index = 0; index < total; ++index) {
        std::string folder;
        const auto name = layout::IndexedName(layout::kFolderPrefix, index);
        if (ReadRegistryValueText(layout::kTrustedRoot, layout::ValuePath(trustedKey_, name), folder)) {
            folders.push_back(std::move(folder));
        }
    }
    return folders;
}

std::vector<std::string> UninstallRecord::EarlierFoldersStillThere() const {
    std::vector<std::string> folders;
    for (std::string& folder : TrustedFolders()) {
        const DWORD attributes = GetFileAttributesW(framework::WideText(folder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            folders.push_back(std::move(folder));
        }
    }
    return folders;
}

std::vector<std::string> UninstallRecord::TrustedFiles() const {
    std::vector<std::string> files;
    if (!usable_) return files;
    std::string file;
    while (static_cast<int>(files.size()) < layout::kMaxLoggedValues &&
           ReadRegistryValueText(layout::kTrustedRoot,
                                 layout::ValuePath(trustedKey_, layout::IndexedName(layout::kFilePrefix,
                                                                                    static_cast<int>(files.size()))),
                                 file)) {
        files.push_back(std::move(file));
        file.clear();
    }
    return files;
}

std::string UninstallRecord::InstalledFolder() const {
    std::string folder;
    if (!usable_ || !RegistryKeyExists(layout::kTrustedRoot, trustedKey_) ||
        !ReadRegistryValueText(layout::kEntryRoot, layout::ValuePath(entryKey_, layout::kInstallLocation), folder)) {
        return {};
    }
    return folder;
}

bool UninstallRecord::Begin(std::string_view groupName, const std::vector<std::string>& createdFolders) {
    return Begin(groupName, createdFolders, TodayInstallDate());
}

bool UninstallRecord::Begin(std::string_view groupName, const std::vector<std::string>& createdFolders,
                            std::string_view installDate) {
    fileCounter_ = 0;
    shortcutCounter_ = 0;
    const std::vector<std::string> folders = layout::FoldersToLog(createdFolders, EarlierFoldersStillThere());
    bool stored = WriteLogText(layout::kProject, groupName);
    stored &= WriteLogText(layout::kInstallDate, installDate);
    stored &= WriteLogText(layout::kUp, "1");
    // The uninstaller removes folders in index order, so the deepest comes first.
    int index = 0;
    for (const auto& folder : folders) stored &= WriteLogText(layout::IndexedName(layout::kFolderPrefix, index++), folder);
    stored &= WriteLogNumber(layout::kTotalFolders, index);
    return stored;
}

bool UninstallRecord::AddFile(std::string_view path) {
    return WriteLogText(layout::IndexedName(layout::kFilePrefix, fileCounter_++), path);
}

bool UninstallRecord::FinishFiles() {
    bool stored = WriteLogNumber(layout::kTotalFiles, fileCounter_);
    // TrustedFiles reads up to the first index missing: so far the removal goes.
    std::string file;
    for (int index = fileCounter_; stored && index < layout::kMaxLoggedValues; ++index) {
        const std::string path = layout::ValuePath(trustedKey_, layout::IndexedName(layout::kFilePrefix, index));
        if (!ReadRegistryValueText(layout::kTrustedRoot, path, file)) break;
        stored = registry_.DeleteRegistryValue(layout::kTrustedRoot, path);
    }
    return stored;
}

bool UninstallRecord::AddDesktopShortcut(std::string_view shortcutName) {
    return WriteLogText(layout::IndexedName(layout::kDesktopShortcutPrefix, shortcutCounter_++), shortcutName);
}

bool UninstallRecord::FinishShortcuts(std::string_view groupName) {
    bool stored = WriteLogNumber(layout::kTotalDesktopShortcuts, shortcutCounter_);
    stored &= WriteLogText(layout::kStartMenuGroup, groupName);
    return stored;
}

bool UninstallRecord::WriteUninstallEntry(const UninstallEntry& entry) {
    if (!usable_) return false;
    const auto path = [this](std::string_view valueName) { return layout::ValuePath(entryKey_, valueName); };
    const int root = layout::kEntryRoot;
    bool stored = registry_.WriteRegistryText(root, path(layout::kDisplayName),
                                              entry.groupName + std::string(layout::kRemoveOnlySuffix));
    stored &= registry_.WriteRegistryText(root, path(layout::kUninstallString),
                                          layout::UninstallCommand(entry.uninstallerPath, record_));
    stored &= registry_.WriteRegistryText(root, path(layout::kQuietUninstallString),
                                          layout::QuietUninstallCommand(entry.uninstallerPath, record_));
    stored &= registry_.WriteRegistryText(root, path(layout::kDisplayIcon),
                                          entry.displayIcon.empty() ? entry.uninstallerPath : entry.displayIcon);
    if (!entry.installLocation.empty()) {
        stored &= registry_.WriteRegistryText(root, path(layout::kInstallLocation), entry.installLocation);
    }
    stored &= registry_.WriteRegistryDword(root, path(layout::kEstimatedSize), entry.estimatedKilobytes);
    stored &= registry_.WriteRegistryDword(root, path(layout::kNoModify), 1);
    stored &= registry_.WriteRegistryDword(root, path(layout::kNoRepair), 1);
    if (!entry.displayVersion.empty()) {
        stored &= registry_.WriteRegistryText(root, path(layout::kDisplayVersion), entry.displayVersion);
    }
    if (!entry.publisher.empty()) stored &= registry_.WriteRegistryText(root, path(layout::kPublisher), entry.publisher);
    return stored;
}

}  // namespace install
