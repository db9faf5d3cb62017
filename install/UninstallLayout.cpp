#include "install/UninstallLayout.h"

#include <algorithm>

#include "install/NameRule.h"
#include "install/PathText.h"

namespace install::uninstall_layout {

bool IsValidRecordName(std::string_view record) { return CheckRelativePath(record) == NameFault::None; }

namespace {

// maker + "\\" + record + "\\" + subkey.
std::string RecordLogKey(std::string_view maker, std::string_view record, std::string_view subkey = kLogSubkey) {
    std::string key(maker);
    key += '\\';
    key += record;
    key += '\\';
    key += subkey;
    return key;
}

}  // namespace

std::optional<RecordKeys> KeysOfRecord(std::string_view record, InstallScope scope) {
    if (!IsValidRecordName(record)) return std::nullopt;
    RecordKeys keys;
    keys.name = std::string(record);
    keys.scope = scope;
    keys.entryKey = std::string(kSystemUninstallKey) + '\\' + std::string(record);
    if (scope == InstallScope::User) {
        keys.logRoot = keys.trustedRoot = keys.entryRoot = CurrentUser;
        keys.logKey = keys.trustedKey = RecordLogKey(kMakerKey, record, kUserRecordSubkey);
        keys.trustedMakerKey = std::string(kMakerKey);
    } else {
        keys.logKey = RecordLogKey(kMakerKey, record);
        keys.trustedKey = RecordLogKey(kTrustedMakerKey, record);
        keys.trustedMakerKey = std::string(kTrustedMakerKey);
    }
    return keys;
}

std::string ValuePath(std::string_view key, std::string_view valueName) {
    std::string path(key);
    path += '\\';
    path += valueName;
    return path;
}

std::string IndexedName(std::string_view prefix, int index) {
    return std::string(prefix) + std::to_string(index);
}

std::string QuietUninstallCommand(std::string_view uninstallerPath, std::string_view record, InstallScope scope) {
    const bool looksLikeSwitch = !record.empty() && (record.front() == '/' || record.find(" /") != std::string_view::npos);
    if (!looksLikeSwitch) return UninstallCommand(uninstallerPath, record, scope) + " /S";
    return UninstallCommand(uninstallerPath, "\"" + std::string(record) + "\"", scope) + " /S";
}

std::string UninstallCommand(std::string_view uninstallerPath, std::string_view record, InstallScope scope) {
    std::string command;
    if (uninstallerPath.find(' ') != std::string_view::npos) {
        command = '"';
        command += uninstallerPath;
        command += '"';
    } else {
        command = uninstallerPath;
    }
    command += ' ';
    command += record;
    if (scope == InstallScope::User) command += " /CURRENTUSER";
    return command;
}

std::string UninstallerShortcutName(std::string_view record) {
    return std::string(kUninstallerShortcutPrefix) + std::string(record);
}

std::string NewCopyPath(std::string_view file) { return std::string(file) + std::string(kNewCopySuffix); }

bool IsNotedFolder(std::string_view noted) { return !noted.empty() && noted.back() == '\\'; }

std::optional<int> ParseCount(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int count = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        count = count * 10 + (c - '0');
    }
    if (count > kMaxLoggedValues) return std::nullopt;
    return count;
}

namespace {

std::size_t Depth(const std::string& folder) {
    return static_cast<std::size_t>(std::count(folder.begin(), folder.end(), '\\'));
}

}  // namespace

std::vector<std::string> FoldersToLog(const std::vector<std::string>& createdThisRun,
                                      const std::vector<std::string>& earlierStillThere) {
    std::vector<std::string> folders;
    PathSet listed;
    const auto add = [&](const std::string& folder) {
        if (listed.Add(folder)) folders.push_back(folder);
    };
    std::for_each(createdThisRun.rbegin(), createdThisRun.rend(), add);
    std::for_each(earlierStillThere.begin(), earlierStillThere.end(), add);
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
    return folders;
}

}  // namespace install::uninstall_layout
