#include "install/UninstallRecord.h"

#include <windows.h>

#include "framework/WideText_win.h"
#include <algorithm>
#include <set>

#include "install/InstallDate.h"
#include "install/LinkFreePath.h"
#include "install/RegistryKeys_win.h"
#include "install/UninstallLayout.h"

namespace install {

namespace layout = uninstall_layout;

UninstallRecord::UninstallRecord(std::string_view registryRecord, InstallScope scope) {
    if (auto keys = layout::KeysOfRecord(registryRecord, scope)) {
        keys_ = std::move(*keys);
        usable_ = true;
    }
}

UninstallRecord::~UninstallRecord() = default;

// Every value goes to the log and, the same, to its trusted copy (for the current
// user, one key is both).
bool UninstallRecord::WriteLogText(std::string_view valueName, std::string_view text) {
    if (!usable_) return false;
    const bool separateLog = keys_.logRoot != keys_.trustedRoot || keys_.logKey != keys_.trustedKey;
    const bool logged =
        !separateLog || registry_.WriteRegistryText(keys_.logRoot, layout::ValuePath(keys_.logKey, valueName), text);
    return registry_.WriteRegistryText(keys_.trustedRoot, layout::ValuePath(keys_.trustedKey, valueName), text) &&
           logged;
}

bool UninstallRecord::WriteLogNumber(std::string_view valueName, std::int32_t number) {
    return WriteLogText(valueName, std::to_string(number));
}

std::vector<std::string> UninstallRecord::TrustedFolders() const {
    std::vector<std::string> folders;
    if (!usable_) return folders;
    const RegistryValueReader trusted(keys_.trustedRoot, keys_.trustedKey);
    std::string text;
    if (!trusted.Read(layout::kTotalFolders, text)) return folders;
    const int total = layout::ParseCount(text).value_or(0);
    for (int index = 0; index < total; ++index) {
        std::string folder;
        if (trusted.Read(layout::IndexedName(layout::kFolderPrefix, index), folder)) folders.push_back(std::move(folder));
    }
    return folders;
}

std::vector<std::string> UninstallRecord::EarlierFoldersStillThere() const {
    std::vector<std::string> folders;
    for (std::string& folder : RecordedFolders()) {
        const DWORD attributes = GetFileAttributesW(framework::WideText(folder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            folders.push_back(std::move(folder));
        }
    }
    return folders;
}

std::vector<std::string> UninstallRecord::TrustedValuesUpToGap(std::string_view prefix, int most) const {
    std::vector<std::string> values;
    if (!usable_) return values;
    const RegistryValueReader trusted(keys_.trustedRoot, keys_.trustedKey);
    std::string text;
    while (static_cast<int>(values.size()) < most &&
           trusted.Read(layout::IndexedName(prefix, static_cast<int>(values.size())), text)) {
        values.push_back(std::move(text));
        text.clear();
    }
    return values;
}

std::vector<std::string> UninstallRecord::TrustedFiles() const {
    return TrustedValuesUpToGap(layout::kFilePrefix, layout::kMaxLoggedValues);
}

std::vector<std::string> UninstallRecord::Noted() const {
    // Once read, noted_ follows every value this run writes or removes.
    if (notedRead_) return noted_;
    return TrustedValuesUpToGap(layout::kNotedPrefix, layout::kMaxNotedValues);
}

bool UninstallRecord::Incomplete() const {
    std::string state;
    return usable_ &&
           ReadRegistryValueText(keys_.trustedRoot, layout::ValuePath(keys_.trustedKey, layout::kRunState), state) &&
           state == layout::kRunIncomplete;
}

bool UninstallRecord::Exists() const { return usable_ && RegistryKeyExists(keys_.trustedRoot, keys_.trustedKey); }

std::vector<std::string> UninstallRecord::RecordedFiles() const {
    std::vector<std::string> files = TrustedFiles();
    if (!Incomplete()) return files;
    for (const std::string& noted : Noted()) {
        if (layout::IsNotedFolder(noted)) continue;
        files.push_back(noted);
        files.push_back(layout::NewCopyPath(noted));
    }
    return files;
}

std::vector<std::string> UninstallRecord::RecordedFolders() const {
    std::vector<std::string> folders = TrustedFolders();
    if (!Incomplete()) return folders;
    for (std::string& noted : Noted()) {
        if (layout::IsNotedFolder(noted)) folders.push_back(std::move(noted));
    }
    return folders;
}

bool UninstallRecord::Note(const std::vector<std::string>& paths) {
    if (!usable_) return false;
    if (!notedRead_) {
        // A run killed before it completed left its notes: they stay, and this run adds to them.
        noted_ = Noted();
        notedRead_ = true;
    }
    bool stored = registry_.WriteRegistryText(keys_.trustedRoot, layout::ValuePath(keys_.trustedKey, layout::kRunState),
                                              layout::kRunIncomplete);
    std::set<std::string> known;
    for (const std::string& path : noted_) known.insert(FolderKey(path) + (layout::IsNotedFolder(path) ? "\\" : ""));
    for (const std::string& path : paths) {
        if (!known.insert(FolderKey(path) + (layout::IsNotedFolder(path) ? "\\" : "")).second) continue;
        const auto name = layout::IndexedName(layout::kNotedPrefix, static_cast<int>(noted_.size()));
        if (!stored || !registry_.WriteRegistryText(keys_.trustedRoot, layout::ValuePath(keys_.trustedKey, name), path)) {
            stored = false;
            break;
        }
        noted_.push_back(path);
    }
    return registry_.FlushRegistryKey(keys_.trustedRoot, keys_.trustedKey) && stored;
}

bool UninstallRecord::NoteShortcuts(const std::vector<std::string>& desktopShortcuts, std::string_view groupName) {
    if (!usable_) return false;
    const auto value = [this](std::string_view name) { return layout::ValuePath(keys_.trustedKey, name); };
    std::vector<std::string> names;
    std::string text;
    const int listed = ReadRegistryValueText(keys_.trustedRoot, value(layout::kTotalDesktopShortcuts), text)
                           ? layout::ParseCount(text).value_or(0)
                           : 0;
    for (int index = 0; index < listed; ++index) {
        if (ReadRegistryValueText(keys_.trustedRoot, value(layout::IndexedName(layout::kDesktopShortcutPrefix, index)),
                                  text)) {
            names.push_back(text);
        }
    }
    for (const std::string& name : desktopShortcuts) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    bool stored = true;
    for (std::size_t index = 0; index < names.size(); ++index) {
        stored &= registry_.WriteRegistryText(
            keys_.trustedRoot, value(layout::IndexedName(layout::kDesktopShortcutPrefix, static_cast<int>(index))),
            names[index]);
    }
    stored &= registry_.WriteRegistryText(keys_.trustedRoot, value(layout::kTotalDesktopShortcuts),
                                          std::to_string(names.size()));
    stored &= registry_.WriteRegistryText(keys_.trustedRoot, value(layout::kStartMenuGroup), groupName);
    return registry_.FlushRegistryKey(keys_.trustedRoot, keys_.trustedKey) && stored;
}

bool UninstallRecord::Complete() {
    if (!usable_) return false;
    bool stored = registry_.WriteRegistryText(keys_.trustedRoot, layout::ValuePath(keys_.trustedKey, layout::kRunState),
                                              layout::kRunComplete);
    stored = registry_.FlushRegistryKey(keys_.trustedRoot, keys_.trustedKey) && stored;
    // Dropped from the end: a run ended meanwhile still finds the notes from index 0 on.
    if (!notedRead_) {
        noted_ = Noted();
        notedRead_ = true;
    }
    while (stored && !noted_.empty()) {
        const int index = static_cast<int>(noted_.size()) - 1;
        stored = registry_.DeleteRegistryValue(
            keys_.trustedRoot, layout::ValuePath(keys_.trustedKey, layout::IndexedName(layout::kNotedPrefix, index)));
        if (stored) noted_.pop_back();
    }
    return stored;
}

void UninstallRecord::Forget(bool entryWritten) {
    if (!usable_) return;
    constexpr std::string_view kSoftware = "SOFTWARE";
    DeleteRegistryTreeAndEmptyParents(keys_.trustedRoot, keys_.trustedKey, kSoftware);
    if (entryWritten) DeleteRegistryTreeAndEmptyParents(keys_.entryRoot, keys_.entryKey, layout::kSystemUninstallKey);
    noted_.clear();
    notedRead_ = false;
}

std::string UninstallRecord::InstalledVersion() const {
    std::string version;
    if (!Exists() ||
        !ReadRegistryValueText(keys_.entryRoot, layout::ValuePath(keys_.entryKey, layout::kDisplayVersion), version)) {
        return {};
    }
    return version;
}

std::string UninstallRecord::InstalledFolder() const {
    std::string folder;
    if (!usable_ || !RegistryKeyExists(keys_.trustedRoot, keys_.trustedKey) ||
        !ReadRegistryValueText(keys_.entryRoot, layout::ValuePath(keys_.entryKey, layout::kInstallLocation), folder)) {
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
        const std::string path = layout::ValuePath(keys_.trustedKey, layout::IndexedName(layout::kFilePrefix, index));
        if (!ReadRegistryValueText(keys_.trustedRoot, path, file)) break;
        stored = registry_.DeleteRegistryValue(keys_.trustedRoot, path);
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

bool UninstallRecord::HasUninstallEntry() const { return usable_ && RegistryKeyExists(keys_.entryRoot, keys_.entryKey); }

bool UninstallRecord::WriteUninstallEntry(const UninstallEntry& entry) {
    if (!usable_) return false;
    const auto path = [this](std::string_view valueName) { return layout::ValuePath(keys_.entryKey, valueName); };
    const int root = keys_.entryRoot;
    bool stored = registry_.WriteRegistryText(root, path(layout::kDisplayName),
                                              entry.groupName + std::string(layout::kRemoveOnlySuffix));
    stored &= registry_.WriteRegistryText(root, path(layout::kUninstallString),
                                          layout::UninstallCommand(entry.uninstallerPath, keys_.name, keys_.scope));
    stored &= registry_.WriteRegistryText(root, path(layout::kQuietUninstallString),
                                          layout::QuietUninstallCommand(entry.uninstallerPath, keys_.name, keys_.scope));
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
