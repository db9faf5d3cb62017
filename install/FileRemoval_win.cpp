#include "install/FileRemoval_win.h"

#include <windows.h>

#include "framework/FileErrorText.h"
#include "framework/WideText_win.h"
#include "install/LinkFreePath_win.h"
#include "install/RelativeOpen_win.h"

namespace install {

namespace {

bool MarkForDeletion(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// A read-only file cannot be marked for deletion: clear the flag through the same
// handle, and put it back when the deletion fails all the same.
bool MarkReadOnlyFileForDeletion(HANDLE handle, DWORD& error) {
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !(basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    const DWORD attributes = basic.FileAttributes;
    basic.FileAttributes = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) return false;
    if (MarkForDeletion(handle)) return true;
    error = GetLastError();
    basic.FileAttributes = attributes;
    SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    return false;
}

// belongs: null to remove whatever is there.
Removal RemoveHeld(const std::string& path, const std::string& base, bool folder,
                   const std::function<bool(void* file)>* belongs = nullptr) {
    LastComponent last;
    last.access = DELETE | FILE_READ_ATTRIBUTES | (folder ? 0 : FILE_WRITE_ATTRIBUTES) | (belongs ? FILE_READ_DATA : 0);
    last.share = belongs ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    last.folder = folder;
    const HeldPath held = HoldPathBelow(base, path, last);
    switch (held.state) {
        case PathHold::Held: break;
        case PathHold::Missing: return {RemovalState::Absent};
        case PathHold::Link: return {RemovalState::Refused, 0, held.where};
        case PathHold::Failed: return {RemovalState::Failed, held.error};
    }
    // Marked through its own handle; the system deletes it when held goes and that
    // handle closes, while the folders above are still held.
    const HANDLE own = held.handles.back();
    if (!folder && KindOf(own) != HandleKind::File) {
        return {RemovalState::Refused, 0, path, true};
    }
    if (belongs && !(*belongs)(own)) return {RemovalState::Kept};
    if (MarkForDeletion(own)) return {RemovalState::Removed};
    DWORD error = GetLastError();
    if (folder && (error == ERROR_DIR_NOT_EMPTY)) return {RemovalState::NotEmpty};
    if (!folder && error == ERROR_ACCESS_DENIED && MarkReadOnlyFileForDeletion(own, error)) {
        return {RemovalState::Removed};
    }
    return {RemovalState::Failed, error};
}

}  // namespace

std::string DriveRootOf(const std::string& path) { return path.substr(0, 3); }

Removal RemoveFile(const std::string& path, const std::string& base) {
    return RemoveHeld(path, base, false);
}

Removal RemoveFileWhen(const std::string& path, const std::string& base, const std::function<bool(void* file)>& belongs) {
    return RemoveHeld(path, base, false, &belongs);
}

Removal RemoveEmptyFolder(const std::string& path, const std::string& base) { return RemoveHeld(path, base, true); }

std::string DescribeFailure(const Removal& removal, const std::string& path) {
    if (removal.state == RemovalState::Refused && removal.secondName) {
        return path + " was not removed: it has a second name elsewhere (a hard link), and what is done to it "
                      "is done to the file of that name too.";
    }
    if (removal.state == RemovalState::Refused) {
        return path + " was not removed: " + removal.refusedAt +
               " is a link to another place (a reparse point) or has moved; nothing is deleted through it.";
    }
    return framework::DescribeFileError(framework::FileErrorKindFromWin32(removal.error), path);
}

bool RemoveRunningProgram(const std::string& path, std::uint32_t& error) {
    const std::wstring file = framework::WideText(path);
    if (DeleteFileW(file.c_str())) return true;
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\') + 1);
    wchar_t parked[MAX_PATH];
    if (!folder.empty() && GetTempFileNameW(folder.c_str(), L"TKU", 0, parked) != 0) {
        // No copying: a copy would leave the running file where it is.
        if (MoveFileExW(file.c_str(), parked, MOVEFILE_REPLACE_EXISTING)) {
            MoveFileExW(parked, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return true;
        }
        DeleteFileW(parked);  // GetTempFileNameW made it
    }
    // With no new name the file is deleted when Windows next starts (recorded in
    // PendingFileRenameOperations; this needs administrator rights).
    if (MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
    error = GetLastError();
    return false;
}

}  // namespace install
