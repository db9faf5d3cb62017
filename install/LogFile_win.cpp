#include "install/LogFile_win.h"

#include <windows.h>

#include "framework/RunLogFile_win.h"
#include "framework/WideText_win.h"
#include "install/FolderTrust_win.h"
#include "install/HeldFolders_win.h"
#include "install/LinkFreePath.h"
#include "install/RelativeOpen_win.h"

namespace install {

namespace {

constexpr char kCannotWrite[] = "The log file cannot be written:\n";

LogFileOpening Refused(std::string reason) {
    LogFileOpening opening;
    opening.reason = kCannotWrite + reason;
    opening.refused = true;
    return opening;
}

LogFileOpening Failed(const std::string& path, DWORD error) {
    LogFileOpening opening;
    opening.reason = framework::LogFileErrorText(path, error);
    return opening;
}

std::string LinkText(const std::string& where) {
    return where + " is a link to another place (a reparse point); the log is not written through it.";
}

// "C:\Logs\run.log" for any spelling the system accepts, relative ones included;
// empty when it names no file on a drive.
std::string FullPath(const std::string& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(framework::WideText(path).c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string text = framework::Utf8Text(std::wstring_view(full, length));
    const bool onDrive = text.size() > 3 && text[1] == ':' && text[2] == '\\' && text.back() != '\\';
    return onDrive ? text : std::string();
}

}  // namespace

LogFileOpening OpenLogFile(const std::string& path) {
    const std::string full = FullPath(path);
    std::string folder, name;
    if (full.empty() || !SplitLastPart(full, folder, name)) return Failed(path, ERROR_BAD_PATHNAME);

    // The folders above the log's own are held only for the walk; the log's
    // folder is what users must not be able to add files to.
    HeldFolders held(HeldFolders::Refuse::LinksOnly);
    if (!held.HoldExisting(folder)) {
        if (!held.RefusedLink().empty()) return Refused(LinkText(held.RefusedLink()));
        return Failed(path, ERROR_PATH_NOT_FOUND);
    }
    const HANDLE parent = held.Find(folder);
    if (OthersMayChange(parent, FolderChange::AddFiles)) {
        return Refused(folder + " can be changed by users who are not administrators; the log is not written there. "
                                "Choose a folder that only administrators can change.");
    }
    RelativeOpen file = OpenFileForWriting(parent, framework::WideText(name), true, FILE_SHARE_READ);
    if (file.link) {
        return Refused(full + " is a link, or a file with a second name elsewhere; the log does not replace it.");
    }
    if (!file.handle) return Failed(path, file.error);
    LogFileOpening opening;
    opening.file = std::move(file.handle);
    return opening;
}

}  // namespace install
