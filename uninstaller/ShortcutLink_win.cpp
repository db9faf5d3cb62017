#include "uninstaller/ShortcutLink_win.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/Handles_win.h"
#include "framework/WideText_win.h"

namespace uninstaller {

namespace {

// A shortcut holds a few paths and an icon location; 64 KB leaves plenty of room.
constexpr DWORD kMaxShortcutBytes = 64 * 1024;

// The file's bytes in a stream of their own, which the shell link reads.
bool StreamOfFile(HANDLE file, framework::ComPtr<IStream>& stream) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > kMaxShortcutBytes) return false;
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!memory) return false;
    void* bytes = GlobalLock(memory);
    DWORD read = 0;
    const bool complete = bytes && ReadFile(file, bytes, length, &read, nullptr) && read == length;
    if (bytes) GlobalUnlock(memory);
    // The stream owns the memory once it is made.
    if (!complete || FAILED(CreateStreamOnHGlobal(memory, TRUE, reinterpret_cast<IStream**>(stream.PutVoid())))) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

}  // namespace

std::optional<ShortcutLink> ReadShortcutLink(void* file) {
    framework::ComPtr<IStream> stream;
    if (!StreamOfFile(static_cast<HANDLE>(file), stream)) return std::nullopt;

    framework::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()))) {
        return std::nullopt;
    }
    framework::ComPtr<IPersistStream> persist;
    if (FAILED(link->QueryInterface(IID_IPersistStream, persist.PutVoid()))) return std::nullopt;
    if (FAILED(persist->Load(stream.Get()))) return std::nullopt;

    // Raw: the path as the installation stored it, without looking for a moved target.
    wchar_t target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return std::nullopt;
    wchar_t arguments[1024] = {};
    if (FAILED(link->GetArguments(arguments, 1024))) arguments[0] = L'\0';
    return ShortcutLink{framework::Utf8Text(target), framework::Utf8Text(arguments)};
}

}  // namespace uninstaller
