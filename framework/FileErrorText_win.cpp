#include <windows.h>

#include "framework/FileErrorText.h"

namespace framework {

FileErrorKind FileErrorKindFromWin32(std::uint32_t error) {
    switch (error) {
        case NO_ERROR: return FileErrorKind::None;
        case ERROR_FILE_NOT_FOUND: return FileErrorKind::FileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_DIRECTORY:
        case ERROR_FILENAME_EXCED_RANGE: return FileErrorKind::BadPath;
        case ERROR_TOO_MANY_OPEN_FILES: return FileErrorKind::TooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_CURRENT_DIRECTORY:
        case ERROR_NETWORK_ACCESS_DENIED: return FileErrorKind::AccessDenied;
        case ERROR_INVALID_HANDLE: return FileErrorKind::InvalidFile;
        case ERROR_CANNOT_MAKE: return FileErrorKind::DirectoryFull;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK: return FileErrorKind::BadSeek;
        case ERROR_SHARING_VIOLATION: return FileErrorKind::SharingViolation;
        case ERROR_LOCK_VIOLATION:
        case ERROR_DRIVE_LOCKED: return FileErrorKind::LockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return FileErrorKind::DiskFull;
        case ERROR_HANDLE_EOF: return FileErrorKind::EndOfFile;
        case ERROR_CRC:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE: return FileErrorKind::HardIO;
        default: return FileErrorKind::Generic;
    }
}

}  // namespace framework
