#pragma once
// Shell shortcuts (".lnk") in a program group under the Start menu's Programs
// folder and on the desktop. An elevated setup uses the all-users folders, which
// only administrators can write; otherwise the user's own. Nothing is written
// through a link: the group is opened or made below the held Programs folder
// without following links (one that is a link gets no shortcut), and each shortcut
// is built in memory and written into a file opened the same way below its held
// folder (an existing one that is a link or not a plain file is left alone).
// No operation shows a message; a shortcut that could not be made is listed in Lost().
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/ShortcutPath.h"

namespace framework {
class RunLog;
}

namespace install {

class ShortcutMaker {
public:
    ShortcutMaker() = default;
    virtual ~ShortcutMaker();

    // Every shortcut file written from now on is logged with its full path (a
    // run's /LOG=); the log must outlive this object. Null: none.
    void LogShortcutsTo(framework::RunLog* log) noexcept { log_ = log; }

    // Makes "<Programs>\<group>\<name>.lnk", creating the group folder (one level)
    // when it is missing. True when the shortcut file was written. False when the
    // Programs folder cannot be looked up, the group cannot be made or is a link,
    // the path would exceed 259 characters, or any step of making the link fails;
    // the shortcut is then listed in Lost().
    bool CreateStartMenuShortcut(std::string_view target, std::string_view groupName, std::string_view shortcutName,
                                 std::string_view workingFolder, const std::optional<std::string>& arguments,
                                 const std::optional<std::string>& iconPath, int iconIndex);

    // Makes "<Desktop>\<name>.lnk"; the group name is not used. Results as above.
    bool CreateDesktopShortcut(std::string_view target, std::string_view groupName, std::string_view shortcutName,
                               std::string_view workingFolder, const std::optional<std::string>& arguments,
                               const std::optional<std::string>& iconPath, int iconIndex);

    // Builds one shell link's file bytes, with COM initialised for this call only.
    // Arguments and icon are set only when present. The result is the code of the
    // last step taken; only S_OK means bytes holds the link.
    HRESULT CreateShellLink(std::string_view target, std::string_view description,
                            const std::optional<std::string>& arguments, std::string_view workingFolder,
                            const std::optional<std::string>& iconPath, int iconIndex,
                            std::vector<std::uint8_t>& bytes);

    // The Programs folder and desktop folder shortcuts go to (all users' when this
    // process is elevated); false (path untouched) when the shell cannot name them.
    bool GetProgramsFolder(std::string& path);
    bool GetDesktopFolder(std::string& path);

    // Every shortcut the Create calls could not make, in the order asked for.
    const std::vector<LostShortcut>& Lost() const noexcept { return lost_; }

private:
    bool MakeStartMenuShortcut(std::string_view target, std::string_view groupName, std::string_view shortcutName,
                               std::string_view workingFolder, const std::optional<std::string>& arguments,
                               const std::optional<std::string>& iconPath, int iconIndex);
    bool MakeDesktopShortcut(std::string_view target, std::string_view shortcutName, std::string_view workingFolder,
                             const std::optional<std::string>& arguments, const std::optional<std::string>& iconPath,
                             int iconIndex);
    // Writes the link's bytes as shortcutName below the held folder; path names the file in the log.
    bool WriteShortcut(HANDLE folder, std::string_view shortcutName, const std::vector<std::uint8_t>& bytes,
                       const std::string& path);

    framework::RunLog* log_ = nullptr;
    std::vector<LostShortcut> lost_;
};

}  // namespace install
