#include "uninstaller/SystemFolders_win.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/WideText_win.h"
#include "install/RegistryKeys_win.h"
#include "install/RegistryAccess.h"

namespace uninstaller {

namespace {

// Shell folders that hold other programs' and the user's things.
constexpr int kShellFolders[] = {
    CSIDL_PROGRAM_FILES,        CSIDL_PROGRAM_FILESX86,        CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_SYSTEM,               CSIDL_SYSTEMX86,
    CSIDL_WINDOWS,              CSIDL_FONTS,                   CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,     CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL,
    CSIDL_COMMON_DOCUMENTS,     CSIDL_MYPICTURES,              CSIDL_MYMUSIC,
    CSIDL_MYVIDEO,              CSIDL_FAVORITES,               CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,     CSIDL_PROGRAMS,                CSIDL_COMMON_PROGRAMS,
    CSIDL_STARTUP,              CSIDL_COMMON_STARTUP,          CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,        CSIDL_COMMON_APPDATA,          CSIDL_TEMPLATES,
    CSIDL_COMMON_TEMPLATES,     CSIDL_SENDTO,                  CSIDL_RECENT,
    CSIDL_NETHOOD,              CSIDL_PRINTHOOD,               CSIDL_INTERNET_CACHE,
    CSIDL_COOKIES,              CSIDL_HISTORY,                 CSIDL_ADMINTOOLS,
    CSIDL_COMMON_ADMINTOOLS,
};

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return framework::Utf8Text(path);
}

}  // namespace

std::string ExpandShortNames(const std::string& path) {
    if (path.find('~') == std::string::npos) return path;
    wchar_t expanded[MAX_PATH];
    const DWORD length = GetLongPathNameW(framework::WideText(path).c_str(), expanded, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return path;
    return framework::Utf8Text(std::wstring_view(expanded, length));
}

SystemFolders LookUpSystemFolders() {
    SystemFolders folders;
    wchar_t windows[MAX_PATH];
    // The shared Windows folder, not a Terminal Server user's private one.
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        folders.windowsFolder = ExpandShortNames(framework::Utf8Text(std::wstring_view(windows, length)));
    }
    folders.protectedFolders.windowsFolder = folders.windowsFolder;

    folders.commonDesktopFolder = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    folders.commonProgramsFolder = ShellFolder(CSIDL_COMMON_PROGRAMS);
    folders.desktopFolder = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    folders.programsFolder = ShellFolder(CSIDL_PROGRAMS);

    auto& kept = folders.protectedFolders.systemFolders;
    // The Program Files folder the installation offered as its default.
    std::string programFiles;
    if (install::ReadRegistryValueText(install::LocalMachine,
                                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir", programFiles)) {
        kept.push_back(ExpandShortNames(programFiles));
    }
    for (int csidl : kShellFolders) {
        if (std::string folder = ShellFolder(csidl); !folder.empty()) kept.push_back(ExpandShortNames(folder));
    }
    wchar_t temp[MAX_PATH];
    const DWORD tempLength = GetTempPathW(MAX_PATH, temp);
    if (tempLength > 0 && tempLength < MAX_PATH) {
        folders.temporaryFolder = ExpandShortNames(framework::Utf8Text(std::wstring_view(temp, tempLength)));
        kept.push_back(folders.temporaryFolder);
    }
    return folders;
}

}  // namespace uninstaller
