#include "app/FolderBrowser_win.h"

namespace app {

FolderBrowser::FolderBrowser(HWND owner, LPCITEMIDLIST root, int titleId) {
    SetOwner(owner);
    SetRoot(root);
    SetTitle(titleId);
    browseInfo.pszDisplayName = displayName;
    browseInfo.lpfn = Callback;
    browseInfo.lParam = reinterpret_cast<LPARAM>(this);
}

FolderBrowser::~FolderBrowser() = default;

void FolderBrowser::SetOwner(HWND owner) {
    if (!chooserWindow) browseInfo.hwndOwner = owner;
}

void FolderBrowser::SetRoot(LPCITEMIDLIST root) {
    if (!chooserWindow) browseInfo.pidlRoot = root;
}

void FolderBrowser::SetFlags(UINT flags) {
    if (!chooserWindow) browseInfo.ulFlags = flags;
}

bool FolderBrowser::SetTitle(int titleId) {
    if (titleId <= 0) return false;
    char text[1024] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(titleId), text, sizeof text) <= 0) return false;
    SetTitle(std::string(text));
    return true;
}

void FolderBrowser::SetTitle(const std::string& title) {
    if (chooserWindow) return;
    titleBuffer = title;
    browseInfo.lpszTitle = titleBuffer.c_str();
}

bool FolderBrowser::Browse() {
    bool confirmed = false;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&browseInfo)) {
        confirmed = SHGetPathFromIDListA(item, displayName) != FALSE;
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
            allocator->Free(item);
            allocator->Release();
        }
    }
    chooserWindow = nullptr;
    return confirmed;
}

int CALLBACK FolderBrowser::Callback(HWND window, UINT message, LPARAM lParam, LPARAM data) noexcept {
    auto* self = reinterpret_cast<FolderBrowser*>(data);
    if (!self) return 0;
    self->chooserWindow = window;
    if (message == BFFM_INITIALIZED) {
        self->OnInitialized();
    } else if (message == BFFM_SELCHANGED) {
        self->OnSelectionChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    }
    return 0;
}

InstallPathBrowser::InstallPathBrowser(HWND owner, int titleId) : FolderBrowser(owner, nullptr, titleId) {}

InstallPathBrowser::~InstallPathBrowser() = default;

void InstallPathBrowser::OnInitialized() {
    if (chooserWindow) {
        SendMessageA(chooserWindow, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(initialPath.c_str()));
    }
    if (chooserWindow) {
        SendMessageA(chooserWindow, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(initialPath.c_str()));
    }
}

void InstallPathBrowser::OnSelectionChanged(LPCITEMIDLIST item) {
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(item, path)) path[0] = '\0';
    if (chooserWindow) SendMessageA(chooserWindow, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
}

}  // namespace app
