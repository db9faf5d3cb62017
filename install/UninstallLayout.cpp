#include "install/UninstallLayout.h"

#include "install/NameRule.h"

namespace install::uninstall_layout {

bool IsValidRecordName(std::string_view record) { return CheckRelativePath(record) == NameFault::None; }

std::string LogKey(std::string_view record) {
    std::string key(kMakerKey);
    key += '\\';
    key += record;
    key += '\\';
    key += kLogSubkey;
    return key;
}

std::string EntryKey(std::string_view record) {
    std::string key(kSystemUninstallKey);
    key += '\\';
    key += record;
    return key;
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

std::string UninstallCommand(std::string_view uninstallerPath, std::string_view record) {
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
    return command;
}

std::string UninstallerShortcutName(std::string_view record) {
    return std::string(kUninstallerShortcutPrefix) + std::string(record);
}

}  // namespace install::uninstall_layout
