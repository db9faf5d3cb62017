#pragma once
// Descriptions of file failures, as the installation run shows them after
// "File could not be opened...". "%1" in a description stands for the file's path.
#include <cstdint>
#include <string>
#include <string_view>

namespace framework {

// The kinds of file failure, in the order of the framework's file exception causes.
enum class FileErrorKind : int {
    None = 0,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

// The description with every "%1" replaced by path, cut to its first 998 characters.
std::string DescribeFileError(FileErrorKind kind, std::string_view path);

#ifdef _WIN32
// Maps a Win32 error code (GetLastError) to the kind of file failure.
FileErrorKind FileErrorKindFromWin32(std::uint32_t error);
#endif

}  // namespace framework
