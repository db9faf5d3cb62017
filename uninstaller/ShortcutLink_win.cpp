#include "uninstaller/ShortcutLink_win.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/Handles_win.h"

namespace uninstaller {

std::optional<ShortcutLink> ReadShortcutLink(const std::string& shortcutPath) {
    wchar_t widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, widePath, MAX_PATH) == 0) return std::nullopt;

    framework::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()))) {
        return std::nullopt;
    }
    framework::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return std::nullopt;
    if (FAILED(file->Load(widePath, STGM_READ))) return std::nullopt;

    // Raw: the path as the installation stored it, without looking for a moved target.
    char target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return std::nullopt;
    char arguments[1024] = {};
    if (FAILED(link->GetArguments(arguments, sizeof arguments))) arguments[0] = '\0';
    return ShortcutLink{target, arguments};
}

}  // namespace uninstaller
