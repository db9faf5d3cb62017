#include "install/ShortcutMaker_win.h"

#include <objidl.h>
#include <shlobj.h>

#include "framework/Handles_win.h"
#include "install/ShortcutPath.h"

namespace install {

namespace {

bool SpecialFolder(int csidl, std::string& path) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || list == nullptr) return false;
    char buffer[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListA(list, buffer);
    CoTaskMemFree(list);
    if (!found || buffer[0] == '\0') return false;
    path = buffer;
    return true;
}

}  // namespace

ShortcutMaker::~ShortcutMaker() = default;

bool ShortcutMaker::GetProgramsFolder(std::string& path) { return SpecialFolder(CSIDL_PROGRAMS, path); }

bool ShortcutMaker::GetDesktopFolder(std::string& path) { return SpecialFolder(CSIDL_DESKTOPDIRECTORY, path); }

bool ShortcutMaker::EnsureSubfolder(std::string& path, std::string_view folderName) {
    std::string folder = path;
    AppendSeparator(folder);
    folder += folderName;
    if (folder.size() > kMaxShortcutPath || folder.find('\0') != std::string::npos) return false;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    path = std::move(folder);
    return true;
}

bool ShortcutMaker::CreateStartMenuShortcut(std::string_view target, std::string_view groupName,
                                            std::string_view shortcutName, std::string_view workingFolder,
                                            const std::optional<std::string>& arguments,
                                            const std::optional<std::string>& iconPath, int iconIndex) {
    if (shortcutName.empty()) return false;
    std::string path;
    if (!GetProgramsFolder(path) || !EnsureSubfolder(path, groupName)) return false;
    if (!AppendShortcutFile(path, shortcutName)) return false;
    return CreateShellLink(target, path, "", arguments, workingFolder, iconPath, iconIndex) == S_OK;
}

bool ShortcutMaker::CreateDesktopShortcut(std::string_view target, std::string_view /*groupName*/,
                                          std::string_view shortcutName, std::string_view workingFolder,
                                          const std::optional<std::string>& arguments,
                                          const std::optional<std::string>& iconPath, int iconIndex) {
    if (shortcutName.empty()) return false;
    std::string path;
    if (!GetDesktopFolder(path)) return false;
    if (!AppendShortcutFile(path, shortcutName)) return false;
    return CreateShellLink(target, path, "", arguments, workingFolder, iconPath, iconIndex) == S_OK;
}

HRESULT ShortcutMaker::CreateShellLink(std::string_view target, std::string_view shortcutPath,
                                       std::string_view description, const std::optional<std::string>& arguments,
                                       std::string_view workingFolder, const std::optional<std::string>& iconPath,
                                       int iconIndex) {
    // The shell link takes zero-terminated texts.
    const std::string targetText(target), pathText(shortcutPath), descriptionText(description),
        folderText(workingFolder);
    if (pathText.size() > kMaxShortcutPath) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    if (pathText.find('\0') != std::string::npos) return E_INVALIDARG;

    const framework::ComScope com;
    framework::ComPtr<IShellLinkA> link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid());
    if (FAILED(result)) return result;

    link->SetPath(targetText.c_str());
    link->SetDescription(descriptionText.c_str());
    link->SetWorkingDirectory(folderText.c_str());
    if (arguments) link->SetArguments(arguments->c_str());
    if (iconPath) link->SetIconLocation(iconPath->c_str(), iconIndex);

    framework::ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (FAILED(result)) return result;

    wchar_t widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, pathText.c_str(), -1, widePath, MAX_PATH) == 0) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    return file->Save(widePath, TRUE);
}

}  // namespace install
