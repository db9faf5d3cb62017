#pragma once
// Opening and creating one name below a folder the caller holds open, without
// looking any path up by name again and without following links: NtCreateFile
// with the held folder as root directory and FILE_OPEN_REPARSE_POINT, so a link
// (a reparse point) at the name is opened itself, never its target.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Handles_win.h"

namespace install {

enum class Disposition : ULONG {
    Open = 1,          // FILE_OPEN: the name must exist
    Create = 2,        // FILE_CREATE: the name must not exist
    OpenOrCreate = 3,  // opened when it exists, else made (never through a dangling link)
};

struct RelativeOpen {
    framework::FileHandle handle;
    bool created = false;     // the call made the folder or file
    bool link = false;        // refused: a link, or a file with a second name elsewhere
    DWORD error = NO_ERROR;   // why no handle (a Win32 error code)
};

// Opens or creates name (one part, no "\") below parent. folder chooses a folder
// or a file (the other kind fails). security, when given, is the new object's
// security descriptor. The handle is opened for synchronous I/O. What was opened
// must be a plain folder or file lying where parent and name say
// (GetFinalPathNameByHandle): a link, or a system that followed one anyway, gives
// no handle and link set; nothing has been changed through it.
RelativeOpen OpenRelative(HANDLE parent, std::wstring_view name, bool folder, Disposition disposition,
                          ACCESS_MASK access, ULONG share, PSECURITY_DESCRIPTOR security = nullptr);

// The number the file system gives the file behind handle, the same through every
// handle while the file exists; 0 when it cannot be told.
std::uint64_t FileNumberOf(HANDLE handle);

// Opens name below parent only when it is the plain file numbered fileNumber with
// one name: a file this program made and checked, found again without reading the
// folder's entry or the paths back. Anything else at the name (a link put there
// since, another file) gives no handle and link set; nothing is changed through it.
RelativeOpen OpenSameFile(HANDLE parent, std::wstring_view name, std::uint64_t fileNumber, ACCESS_MASK access,
                          ULONG share);

// Opens the file name below parent for writing, shared as share says (by default
// not at all), emptied: made
// when missing (never through a link of that name); when mayReplace, an existing
// one is taken only when it is a regular file with one name, and is emptied only
// after that check (a link, or a hard link to a file elsewhere, is left exactly as
// it was: link is set). Without mayReplace an existing file fails with
// ERROR_FILE_EXISTS.
RelativeOpen OpenFileForWriting(HANDLE parent, std::wstring_view name, bool mayReplace, ULONG share = 0);

// Writes all size bytes at the file's position; NO_ERROR or the reason.
DWORD WriteAll(HANDLE file, const std::uint8_t* bytes, std::size_t size);

// What an open handle is: a link is never taken for a folder or a file.
enum class HandleKind { Folder, File, Link, Unknown };
// Unknown also when the file has more than one name (a hard link elsewhere).
HandleKind KindOf(HANDLE handle);

// Renames the open file (opened with DELETE access) to name below the folder
// parent holds, replacing a file of that name unless replace is false (then
// ERROR_ALREADY_EXISTS): the name is looked up below the held folder, never by a
// full path. NO_ERROR or the reason (a file in use, for one).
DWORD RenameBelow(HANDLE file, HANDLE parent, std::wstring_view name, bool replace = true);

// Marks the object for removal when its last handle closes (a folder only when
// empty); needs DELETE access.
bool RemoveOnClose(HANDLE handle);

}  // namespace install
