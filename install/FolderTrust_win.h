#pragma once
// Whether anyone but an administrator may change what a folder holds. The
// elevated programs write only into folders that administrators alone control:
// a folder that an ordinary user made, or whose access list lets users write,
// could hold a DLL planted beside the program setup writes, or pass its rights on
// to every file written into it.
//
// Administrators are the Administrators group, the system, TrustedInstaller and
// the account running this program: elevated, an administrator; not elevated (an
// installation for the current user), the user, whose own folders are as much the
// user's as the files setup writes into them.
#include <windows.h>

namespace install {

// Which changes count. A file written into a folder is threatened by any new
// name beside it; a log file only by a file of its own name, which a user may
// not make where it is not allowed to add files (making a folder of that name
// only makes the log fail).
enum class FolderChange {
    AddFiles,     // add or delete files, or change the folder's permissions or owner
    AddAnything,  // the same, add folders too, or delete or rename the folder itself
};

// True when the folder (a handle opened with READ_CONTROL) is owned by someone
// other than an administrator, or its access list grants anyone else the rights
// of change; also when its security cannot be read.
bool OthersMayChange(HANDLE folder, FolderChange change);

// A security descriptor for a new folder or file, made from its text (SDDL);
// Get() is null when there is no text or it cannot be converted.
class SecurityFromText {
public:
    explicit SecurityFromText(const wchar_t* text);
    ~SecurityFromText();
    SecurityFromText(const SecurityFromText&) = delete;
    SecurityFromText& operator=(const SecurityFromText&) = delete;
    PSECURITY_DESCRIPTOR Get() const noexcept { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

}  // namespace install
