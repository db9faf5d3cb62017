#include "install/FileRemoval_win.h"

#include <windows.h>

#include <string>

#include "framework/FileErrorText.h"
#include "framework/WideText_win.h"
#include "install/LinkFreePath.h"
#include "install/LinkFreePath_win.h"
#include "install/RelativeOpen_win.h"
#include "install/RestartOperations_win.h"

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

// What RemoveHeld does besides deleting at once.
struct RemovalWish {
    const std::function<bool(void* file)>* belongs = nullptr;  // null to remove whatever is there
    bool atRestart = false;  // schedule what is in use for the next start of Windows
    const std::vector<std::string>* pending = nullptr;  // a folder's entries scheduled already
};

// True when every entry of the open folder (listed through its own handle, opened
// with FILE_LIST_DIRECTORY) is one of pending.
bool HoldsOnlyPending(HANDLE folder, const std::string& path, const std::vector<std::string>& pending) {
    alignas(8) std::uint8_t buffer[16 * 1024];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
        kind = FileIdBothDirectoryInfo;
        for (std::size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                const std::string child = FolderKey(FolderKey(path) + framework::Utf8Text(name));
                bool scheduled = false;
                for (const std::string& listed : pending) scheduled = scheduled || FolderKey(listed) == child;
                if (!scheduled) return false;
            }
            if (entry->NextEntryOffset == 0) break;
            offset += entry->NextEntryOffset;
        }
    }
    return GetLastError() == ERROR_NO_MORE_FILES;
}

Removal ScheduleHeld(const std::string& path, DWORD inUseError) {
    const std::uint32_t error = DeleteAtRestart(path);
    return error == 0 ? Removal{RemovalState::AtRestart, inUseError} : Removal{RemovalState::Failed, inUseError};
}

// A file that could not be opened for deletion because another program holds it:
// opened again for its attributes alone, which no holder's sharing refuses, so that
// the whole path is checked link-free and held while its deletion is scheduled.
Removal ScheduleInUseFile(const std::string& path, const std::string& base, DWORD inUseError) {
    LastComponent last;
    last.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    last.folder = false;
    const HeldPath held = HoldPathBelow(base, path, last);
    if (held.state == PathHold::Link) return {RemovalState::Refused, 0, held.where};
    if (held.state == PathHold::Missing) return {RemovalState::Absent};  // its holder deleted it meanwhile
    if (held.state != PathHold::Held) return {RemovalState::Failed, inUseError};
    if (KindOf(held.handles.back()) != HandleKind::File) return {RemovalState::Refused, 0, path, true};
    return ScheduleHeld(path, inUseError);
}

Removal RemoveHeld(const std::string& path, const std::string& base, bool folder, const RemovalWish& wish = {}) {
    const bool listFolder = folder && wish.atRestart;
    LastComponent last;
    last.access = DELETE | FILE_READ_ATTRIBUTES | (folder ? 0 : FILE_WRITE_ATTRIBUTES) |
                  (wish.belongs ? FILE_READ_DATA : 0) | (listFolder ? FILE_LIST_DIRECTORY : 0);
    last.share = wish.belongs ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    last.folder = folder;
    const HeldPath held = HoldPathBelow(base, path, last);
    switch (held.state) {
        case PathHold::Held: break;
        case PathHold::Missing: return {RemovalState::Absent};
        case PathHold::Link: return {RemovalState::Refused, 0, held.where};
        case PathHold::Failed:
            if (wish.atRestart && !folder && IsInUseError(held.error)) return ScheduleInUseFile(path, base, held.error);
            return {RemovalState::Failed, held.error};
    }
    // Marked through its own handle; the system deletes it when held goes and that
    // handle closes, while the folders above are still held.
    const HANDLE own = held.handles.back();
    if (!folder && KindOf(own) != HandleKind::File) {
        return {RemovalState::Refused, 0, path, true};
    }
    if (wish.belongs && !(*wish.belongs)(own)) return {RemovalState::Kept};
    if (MarkForDeletion(own)) return {RemovalState::Removed};
    DWORD error = GetLastError();
    if (folder && (error == ERROR_DIR_NOT_EMPTY)) {
        if (listFolder && wish.pending && HoldsOnlyPending(own, path, *wish.pending)) {
            std::string spelled = path;  // named as the session manager expects a folder: no final "\"
            while (spelled.size() > 3 && spelled.back() == '\\') spelled.pop_back();
            return ScheduleHeld(spelled, error);
        }
        return {RemovalState::NotEmpty};
    }
    if (!folder && error == ERROR_ACCESS_DENIED && MarkReadOnlyFileForDeletion(own, error)) {
        return {RemovalState::Removed};
    }
    // A running program's file opens for deletion but refuses it.
    if (wish.atRestart && !folder && IsInUseError(error)) return ScheduleHeld(path, error);
    return {RemovalState::Failed, error};
}

}  // namespace

std::string DriveRootOf(const std::string& path) { return path.substr(0, 3); }

Removal RemoveFile(const std::string& path, const std::string& base) {
    return RemoveHeld(path, base, false);
}

Removal RemoveFileWhen(const std::string& path, const std::string& base, const std::function<bool(void* file)>& belongs) {
    RemovalWish wish;
    wish.belongs = &belongs;
    return RemoveHeld(path, base, false, wish);
}

Removal RemoveEmptyFolder(const std::string& path, const std::string& base) { return RemoveHeld(path, base, true); }

Removal RemoveFileOrAtRestart(const std::string& path, const std::string& base) {
    RemovalWish wish;
    wish.atRestart = true;
    return RemoveHeld(path, base, false, wish);
}

Removal RemoveFolderOrAtRestart(const std::string& path, const std::string& base,
                                const std::vector<std::string>& pending) {
    RemovalWish wish;
    wish.atRestart = true;
    wish.pending = &pending;
    return RemoveHeld(path, base, true, wish);
}

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
            DeleteAtRestart(framework::Utf8Text(parked));
            return true;
        }
        DeleteFileW(parked);  // GetTempFileNameW made it
    }
    // With no new name the file itself is deleted when Windows next starts.
    error = DeleteAtRestart(path);
    return error == 0;
}

Removal ParkAndRemove(const std::string& path, const std::string& base, const std::string& parkingFolder) {
    LastComponent last;
    last.access = DELETE | FILE_READ_ATTRIBUTES;
    last.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    last.folder = false;
    const HeldPath held = HoldPathBelow(base, path, last);
    if (held.state == PathHold::Missing) return {RemovalState::Absent};
    if (held.state == PathHold::Link) return {RemovalState::Refused, 0, held.where};
    if (held.state != PathHold::Held) return {RemovalState::Failed, held.error};
    const HANDLE own = held.handles.back();
    if (KindOf(own) != HandleKind::File) return {RemovalState::Refused, 0, path, true};

    const HeldPath parking =
        HoldPathBelow(DriveRootOf(parkingFolder), parkingFolder, {FILE_TRAVERSE | FILE_READ_ATTRIBUTES});
    if (parking.state == PathHold::Link) return {RemovalState::Refused, 0, parking.where};
    if (parking.state != PathHold::Held) return {RemovalState::Failed, parking.error};
    // A name no file has: an earlier run's parked file is never replaced.
    const std::wstring prefix = L"TKU" + framework::WideText(std::to_string(GetCurrentProcessId())) + L"-";
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        // Numbers through std::to_string: its wide twin would link the C runtime's wide printf.
        const std::wstring name = prefix + framework::WideText(std::to_string(attempt)) + L".tmp";
        error = RenameBelow(own, parking.handles.back(), name, false);
    }
    if (error != NO_ERROR) return {RemovalState::Failed, error};
    MarkForDeletion(own);  // refused while the program runs
    return {RemovalState::Removed};
}

}  // namespace install
