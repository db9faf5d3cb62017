#include "uninstaller/FileRemoval_win.h"

#include <windows.h>

#include "framework/FileErrorText.h"

namespace uninstaller {

namespace {

bool IsAbsence(DWORD error) noexcept { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

Removal RemoveFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return {RemovalState::Removed};
    DWORD error = GetLastError();
    if (IsAbsence(error)) return {RemovalState::Absent};
    if (error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
            if (DeleteFileA(path.c_str())) return {RemovalState::Removed};
            error = GetLastError();
            SetFileAttributesA(path.c_str(), attributes);  // it stays: leave it as it was
        }
    }
    return {RemovalState::Failed, error};
}

Removal RemoveEmptyFolder(const std::string& path) {
    if (RemoveDirectoryA(path.c_str())) return {RemovalState::Removed};
    const DWORD error = GetLastError();
    if (IsAbsence(error)) return {RemovalState::Absent};
    if (error == ERROR_DIR_NOT_EMPTY) return {RemovalState::NotEmpty};
    return {RemovalState::Failed, error};
}

std::string DescribeFailure(const Removal& removal, const std::string& path) {
    return framework::DescribeFileError(framework::FileErrorKindFromWin32(removal.error), path);
}

bool RemoveRunningProgram(const std::string& path, std::uint32_t& error) {
    if (DeleteFileA(path.c_str())) return true;
    char folder[MAX_PATH];
    char parked[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH && GetTempFileNameA(folder, "TKU", 0, parked) != 0) {
        // No copying: a copy would leave the running file where it is.
        if (MoveFileExA(path.c_str(), parked, MOVEFILE_REPLACE_EXISTING)) {
            MoveFileExA(parked, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return true;
        }
        DeleteFileA(parked);  // GetTempFileNameA made it
    }
    // With no new name the file is deleted when Windows next starts (recorded in
    // PendingFileRenameOperations; this needs administrator rights).
    if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
    error = GetLastError();
    return false;
}

}  // namespace uninstaller
