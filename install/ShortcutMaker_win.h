#pragma once
// Shell shortcuts (".lnk") in a program group under the Start menu's Programs
// folder and on the desktop. No operation shows a message.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace install {

class ShortcutMaker {
public:
    ShortcutMaker() = default;
    virtual ~ShortcutMaker();

    // Makes "<Programs>\<group>\<name>.lnk", creating the group folder (one level)
    // when it is missing. True when the shortcut file was saved. False when the
    // Programs folder cannot be looked up, the group cannot be made, the path would
    // exceed 259 characters, or any step of making the link fails.
    bool CreateStartMenuShortcut(std::string_view target, std::string_view groupName, std::string_view shortcutName,
                                 std::string_view workingFolder, const std::optional<std::string>& arguments,
                                 const std::optional<std::string>& iconPath, int iconIndex);

    // Makes "<Desktop>\<name>.lnk"; the group name is not used. Results as above.
    bool CreateDesktopShortcut(std::string_view target, std::string_view groupName, std::string_view shortcutName,
                               std::string_view workingFolder, const std::optional<std::string>& arguments,
                               const std::optional<std::string>& iconPath, int iconIndex);

    // Saves one shell link at shortcutPath, with COM initialised for this call only.
    // Arguments and icon are set only when present. The result is the code of the
    // last step taken; only S_OK means the file was saved.
    HRESULT CreateShellLink(std::string_view target, std::string_view shortcutPath, std::string_view description,
                            const std::optional<std::string>& arguments, std::string_view workingFolder,
                            const std::optional<std::string>& iconPath, int iconIndex);

    // Appends "\" (when missing) and folderName to path and makes that folder.
    // True when it was made or already existed; only the last level is made. path
    // is left unchanged on failure.
    bool EnsureSubfolder(std::string& path, std::string_view folderName);

    // The current user's Start-menu Programs folder and desktop folder; false (path
    // untouched) when the shell cannot name them.
    bool GetProgramsFolder(std::string& path);
    bool GetDesktopFolder(std::string& path);
};

}  // namespace install
