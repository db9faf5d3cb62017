#include "app/FolderBrowser_win.h"

#include "framework/WideText_win.h"

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
    wchar_t text[1024] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(titleId), text, 1024) <= 0) return false;
    SetTitle(framework::Utf8Text(text));
    return true;
}

void FolderBrowser::SetTitle(const std::string& title) {
    if (chooserWindow) return;
    titleBuffer = framework::WideText(title);
    browseInfo.lpszTitle = titleBuffer.c_str();
}

bool FolderBrowser::Browse() {
    bool confirmed = false;
    if (LPITEMIDLIST item = SHBrowseForFolderW(&browseInfo)) {
        confirmed = SHGetPathFromIDListW(item, displayName) != FALSE;
        folderPath = confirmed ? framework::Utf8Text(displayName) : std::string();
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

void InstallPathBrowser::SetInitialPath(const std::string& path) { initialPath = framework::WideText(path); }

void InstallPathBrowser::OnInitialized() {
    if (chooserWindow) {
        SendMessageW(chooserWindow, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initialPath.c_str()));
    }
    if (chooserWindow) {
        SendMessageW(chooserWindow, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(initialPath.c_str()));
    }
}

void InstallPathBrowser::OnSelectionChanged(LPCITEMIDLIST item) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(item, path)) path[0] = L'\0';
    if (chooserWindow) SendMessageW(chooserWindow, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
}

}  // namespace app
