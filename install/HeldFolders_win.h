#pragma once
// The folders an elevated run works in, held open from the drive's root down for
// as long as the run lasts: each is opened below its held parent without following
// links (a link, or a folder that is not where its name says, is refused), and
// made there when missing. Folders that exist are held without FILE_SHARE_DELETE,
// folders the run made without sharing write or delete access either, so none of
// them can be renamed, removed or swapped for a link while the run writes into
// them. A folder made directly at a drive's root gets a DACL that lets users read
// and run, but not write: administrators and the system have full control. A
// folder that exists below a drive's root is held only when administrators alone
// may change it (FolderTrust_win.h): one a user made, or may write, is refused.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"
#include "install/FolderPath.h"

namespace install {

class HeldFolders {
public:
    // What Hold refuses besides links: existing folders others than administrators
    // may change (for folders the run writes into), or nothing more (for a walk
    // whose caller checks the one folder it uses).
    enum class Refuse { OpenFolders, LinksOnly };
    explicit HeldFolders(Refuse refuse = Refuse::OpenFolders) : refuse_(refuse) {}
    virtual ~HeldFolders();
    HeldFolders(const HeldFolders&) = delete;
    HeldFolders& operator=(const HeldFolders&) = delete;

    // Holds the folder path ("C:\A\B\" or "C:\A\B"), whose parent is a drive root or
    // held already; makes it when it is missing and mayCreate is true (Missing when
    // it is missing and not to be made). Failed when it is a link (see
    // RefusedLink), a file, or cannot be opened or made.
    FolderCreation Hold(const std::string& path, bool mayCreate);
    // Holds every folder of an existing path from its drive's root; false as above.
    bool HoldExisting(const std::string& path);

    // The held folder of that path (any spelling FolderKey folds together); null
    // when it is not held.
    HANDLE Find(std::string_view path) const;

    // The folder that was refused as a link (or as lying elsewhere than its name
    // says) by the last failed call; empty when the failure was another.
    const std::string& RefusedLink() const noexcept { return refusedLink_; }
    // The existing folder that was refused because others than administrators
    // may change it, by the last failed call; empty when the failure was another.
    const std::string& RefusedOpenFolder() const noexcept { return refusedOpen_; }

    // Removes the folders made by this object, deepest first, through their own
    // handles (only empty ones go), and lets go of every folder.
    void RemoveCreated();
    // Lets go of every folder.
    void Release();

private:
    struct Folder {
        std::string key;  // FolderKey of the path
        framework::FileHandle handle;
        bool created = false;
    };
    const Folder* FindFolder(std::string_view path) const;
    const Folder* HoldDriveRoot(const std::string& root);

    Refuse refuse_;
    std::vector<Folder> folders_;  // parents before their children
    std::string refusedLink_;
    std::string refusedOpen_;
};

// CreateFolderPath's checks (FolderPath.h) with the system's drives, making
// nothing: each folder of the path that exists is held in held, and those missing
// are listed in missingFolders, outermost first, for the caller to make once it has
// noted them. A link along the path refuses it (held.RefusedLink() names the part).
bool HoldFolderPath(std::string_view path, std::vector<std::string>& missingFolders, HeldFolders& held);

// Makes each missing folder in order below its held parent and holds it; appends
// those made to createdFolders. False at the first that can be neither made nor
// held (RefusedLink and RefusedOpenFolder tell a refusal); failed names it.
bool MakeFolders(const std::vector<std::string>& missingFolders, HeldFolders& held,
                 std::vector<std::string>& createdFolders, std::string& failed);

}  // namespace install
