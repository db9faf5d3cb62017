#include "install/ShortcutPath.h"

#include "framework/Utf8Units.h"

namespace install {

bool HasShortcutExtension(std::string_view path) {
    constexpr std::string_view extension = ".lnk";
    if (path.size() < extension.size()) return false;
    const std::string_view tail = path.substr(path.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != extension[i]) return false;
    }
    return true;
}

void AppendSeparator(std::string& folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
}

bool AppendShortcutFile(std::string& folder, std::string_view shortcutName) {
    std::string path = folder;
    AppendSeparator(path);
    path += shortcutName;
    if (!HasShortcutExtension(path)) path += ".lnk";
    if (framework::Utf16Length(path) > kMaxShortcutPath) return false;
    folder = std::move(path);
    return true;
}

std::string LostShortcutText(const LostShortcut& shortcut) {
    return (shortcut.desktop ? "Desktop\\" : "Start menu\\" + shortcut.group + "\\") + shortcut.name;
}

std::string LostShortcutLines(const std::vector<LostShortcut>& lost) {
    std::string lines;
    for (const LostShortcut& shortcut : lost) {
        if (!lines.empty()) lines += '\n';
        lines += LostShortcutText(shortcut);
    }
    return lines;
}

}  // namespace install
