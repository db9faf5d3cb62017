#pragma once
// The shell's folder chooser (SHBrowseForFolderW); paths are UTF-8 behind two overridable hooks:
// the chooser has opened, and the highlighted item has changed.
#include <windows.h>

#include <shlobj.h>

#include <string>

namespace app {

class FolderBrowser {
public:
    FolderBrowser(HWND owner, LPCITEMIDLIST root, int titleId);
    virtual ~FolderBrowser() = 0;
    FolderBrowser(const FolderBrowser&) = delete;
    FolderBrowser& operator=(const FolderBrowser&) = delete;

    // The setters are ignored while the chooser is open.
    void SetOwner(HWND owner);
    void SetRoot(LPCITEMIDLIST root);
    void SetFlags(UINT flags);
    bool SetTitle(int titleId);
    void SetTitle(const std::string& title);

    // Runs the chooser; true when the user confirmed a folder with a file-system path.
    bool Browse();
    // After a true Browse: the chosen folder's path.
    std::string GetFolderPath() const { return folderPath; }

protected:
    virtual void OnInitialized() {}
    virtual void OnSelectionChanged(LPCITEMIDLIST /*item*/) {}

    HWND chooserWindow = nullptr;  // the open chooser; null while none is open

private:
    static int CALLBACK Callback(HWND window, UINT message, LPARAM lParam, LPARAM data) noexcept;

    std::wstring titleBuffer;
    BROWSEINFOW browseInfo{};
    wchar_t displayName[MAX_PATH] = {};
    std::string folderPath;
};

// Preselects the current destination when the chooser opens and shows the
// highlighted folder's path in the chooser's status line.
class InstallPathBrowser : public FolderBrowser {
public:
    InstallPathBrowser(HWND owner, int titleId);
    ~InstallPathBrowser() override;

    void SetInitialPath(const std::string& path);

protected:
    void OnInitialized() override;
    void OnSelectionChanged(LPCITEMIDLIST item) override;

private:
    std::wstring initialPath;
};

}  // namespace app
