#include "install/ShortcutMaker_win.h"

#include <objidl.h>
#include <shlobj.h>

#include "framework/Elevation_win.h"
#include "framework/Handles_win.h"
#include "framework/RunLog.h"
#include "framework/WideText_win.h"
#include "install/RelativeOpen_win.h"
#include "install/ShortcutPath.h"

namespace install {

namespace {

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

bool SpecialFolder(int userCsidl, int commonCsidl, std::string& path) {
    wchar_t wide[MAX_PATH] = {};
    const int csidl = framework::IsElevatedProcess() ? commonCsidl : userCsidl;
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, wide)) || wide[0] == L'\0') return false;
    path = framework::Utf8Text(wide);
    return true;
}

// The shell's folder itself is taken as it is (the system may have made it a link,
// as Wine does for the desktop); everything below it is opened without following links.
framework::FileHandle OpenShellFolder(const std::string& path) {
    return framework::FileHandle(CreateFileW(framework::WideText(path).c_str(), kFolderAccess,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The shortcut's file name: the name with ".lnk" unless it has it.
std::wstring ShortcutFileName(std::string_view shortcutName) {
    std::string name(shortcutName);
    if (!HasShortcutExtension(name)) name += ".lnk";
    return framework::WideText(name);
}

}  // namespace

ShortcutMaker::~ShortcutMaker() = default;

bool ShortcutMaker::GetProgramsFolder(std::string& path) {
    return SpecialFolder(CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, path);
}

bool ShortcutMaker::GetDesktopFolder(std::string& path) {
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, path);
}

bool ShortcutMaker::WriteShortcut(HANDLE folder, std::string_view shortcutName,
                                  const std::vector<std::uint8_t>& bytes, const std::string& path) {
    RelativeOpen file = OpenFileForWriting(folder, ShortcutFileName(shortcutName), true);
    if (!file.handle) return false;
    if (WriteAll(file.handle, bytes.data(), bytes.size()) != NO_ERROR) return false;
    if (!CloseHandle(file.handle.Detach())) return false;
    if (log_) log_->ShortcutMade(path);
    return true;
}

bool ShortcutMaker::CreateStartMenuShortcut(std::string_view target, std::string_view groupName,
                                            std::string_view shortcutName, std::string_view workingFolder,
                                            const std::optional<std::string>& arguments,
                                            const std::optional<std::string>& iconPath, int iconIndex) {
    if (MakeStartMenuShortcut(target, groupName, shortcutName, workingFolder, arguments, iconPath, iconIndex)) {
        return true;
    }
    lost_.push_back({false, std::string(groupName), std::string(shortcutName)});
    return false;
}

bool ShortcutMaker::CreateDesktopShortcut(std::string_view target, std::string_view /*groupName*/,
                                          std::string_view shortcutName, std::string_view workingFolder,
                                          const std::optional<std::string>& arguments,
                                          const std::optional<std::string>& iconPath, int iconIndex) {
    if (MakeDesktopShortcut(target, shortcutName, workingFolder, arguments, iconPath, iconIndex)) return true;
    lost_.push_back({true, std::string(), std::string(shortcutName)});
    return false;
}

bool ShortcutMaker::MakeStartMenuShortcut(std::string_view target, std::string_view groupName,
                                          std::string_view shortcutName, std::string_view workingFolder,
                                          const std::optional<std::string>& arguments,
                                          const std::optional<std::string>& iconPath, int iconIndex) {
    if (shortcutName.empty() || groupName.empty()) return false;
    std::string programs;
    if (!GetProgramsFolder(programs)) return false;
    std::string path = programs;
    AppendSeparator(path);
    path += groupName;
    if (!AppendShortcutFile(path, shortcutName)) return false;

    const framework::FileHandle programsFolder = OpenShellFolder(programs);
    if (!programsFolder) return false;
    // The group only one level deep, and never through a link.
    const RelativeOpen group = OpenRelative(programsFolder, framework::WideText(groupName), true,
                                            Disposition::OpenOrCreate, kFolderAccess,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!group.handle || KindOf(group.handle) != HandleKind::Folder) return false;
    std::vector<std::uint8_t> bytes;
    if (CreateShellLink(target, "", arguments, workingFolder, iconPath, iconIndex, bytes) != S_OK) return false;
    return WriteShortcut(group.handle, shortcutName, bytes, path);
}

bool ShortcutMaker::MakeDesktopShortcut(std::string_view target, std::string_view shortcutName,
                                        std::string_view workingFolder, const std::optional<std::string>& arguments,
                                        const std::optional<std::string>& iconPath, int iconIndex) {
    if (shortcutName.empty()) return false;
    std::string desktop;
    if (!GetDesktopFolder(desktop)) return false;
    std::string path = desktop;
    if (!AppendShortcutFile(path, shortcutName)) return false;
    const framework::FileHandle desktopFolder = OpenShellFolder(desktop);
    if (!desktopFolder) return false;
    std::vector<std::uint8_t> bytes;
    if (CreateShellLink(target, "", arguments, workingFolder, iconPath, iconIndex, bytes) != S_OK) return false;
    return WriteShortcut(desktopFolder, shortcutName, bytes, path);
}

HRESULT ShortcutMaker::CreateShellLink(std::string_view target, std::string_view description,
                                       const std::optional<std::string>& arguments, std::string_view workingFolder,
                                       const std::optional<std::string>& iconPath, int iconIndex,
                                       std::vector<std::uint8_t>& bytes) {
    const framework::ComScope com;
    framework::ComPtr<IShellLinkW> link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    if (FAILED(result)) return result;

    link->SetPath(framework::WideText(target).c_str());
    link->SetDescription(framework::WideText(description).c_str());
    link->SetWorkingDirectory(framework::WideText(workingFolder).c_str());
    if (arguments) link->SetArguments(framework::WideText(*arguments).c_str());
    if (iconPath) link->SetIconLocation(framework::WideText(*iconPath).c_str(), iconIndex);

    framework::ComPtr<IPersistStream> persist;
    result = link->QueryInterface(IID_IPersistStream, persist.PutVoid());
    if (FAILED(result)) return result;
    framework::ComPtr<IStream> stream;
    result = CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(stream.PutVoid()));
    if (FAILED(result)) return result;
    result = persist->Save(stream.Get(), TRUE);
    if (result != S_OK) return result;

    // The stream's position after saving is the link's size.
    LARGE_INTEGER zero{};
    ULARGE_INTEGER size{};
    result = stream->Seek(zero, STREAM_SEEK_CUR, &size);
    if (FAILED(result)) return result;
    HGLOBAL memory = nullptr;
    result = GetHGlobalFromStream(stream.Get(), &memory);
    if (FAILED(result)) return result;
    if (size.QuadPart > GlobalSize(memory)) return E_UNEXPECTED;
    const void* data = GlobalLock(memory);
    if (!data) return E_OUTOFMEMORY;
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes.assign(begin, begin + size.QuadPart);
    GlobalUnlock(memory);
    return S_OK;
}

}  // namespace install
