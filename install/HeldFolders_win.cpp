#include "install/HeldFolders_win.h"

#include "framework/WideText_win.h"
#include "install/FolderTrust_win.h"
#include "install/LinkFreePath.h"
#include "install/RelativeOpen_win.h"

namespace install {

namespace {

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;

bool IsDriveRoot(std::string_view path) {
    return path.size() == 3 && path[1] == ':' && path[2] == '\\';
}

// Full control for the system and administrators, reading and running for users;
// nothing is inherited from the drive's root, which lets users make folders.
constexpr wchar_t kRootFolderSecurity[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

}  // namespace

HeldFolders::~HeldFolders() { Release(); }

const HeldFolders::Folder* HeldFolders::FindFolder(std::string_view path) const {
    const std::string key = FolderKey(path);
    for (const Folder& folder : folders_) {
        if (folder.key == key) return &folder;
    }
    return nullptr;
}

HANDLE HeldFolders::Find(std::string_view path) const {
    const Folder* folder = FindFolder(path);
    return folder ? folder->handle.Get() : nullptr;
}

const HeldFolders::Folder* HeldFolders::HoldDriveRoot(const std::string& root) {
    if (const Folder* held = FindFolder(root)) return held;
    Folder folder;
    folder.key = FolderKey(root);
    folder.handle.Attach(CreateFileW(framework::WideText(root).c_str(), kFolderAccess,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.handle) return nullptr;
    folders_.push_back(std::move(folder));
    return &folders_.back();
}

FolderCreation HeldFolders::Hold(const std::string& path, bool mayCreate) {
    refusedLink_.clear();
    refusedOpen_.clear();
    if (FindFolder(path)) return FolderCreation::AlreadyExists;
    std::string parentPath, name;
    if (!SplitLastPart(path, parentPath, name)) return FolderCreation::Failed;
    const bool atRoot = IsDriveRoot(parentPath);
    const Folder* parent = atRoot ? HoldDriveRoot(parentPath) : FindFolder(parentPath);
    if (!parent) return FolderCreation::Failed;
    const HANDLE parentHandle = parent->handle.Get();
    const std::wstring wideName = framework::WideText(name);
    // The path as the message names it: without its final "\".
    const auto refuse = [&] {
        refusedLink_ = parentPath + name;
        return FolderCreation::Failed;
    };

    // An existing folder is opened as it is: a link is refused, never followed.
    RelativeOpen opened = OpenRelative(parentHandle, wideName, true, Disposition::Open, kFolderAccess,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (opened.link) return refuse();
    if (!opened.handle && opened.error == ERROR_FILE_NOT_FOUND && mayCreate) {
        const SecurityFromText rootSecurity(atRoot ? kRootFolderSecurity : nullptr);
        if (atRoot && !rootSecurity.Get()) return FolderCreation::Failed;
        opened = OpenRelative(parentHandle, wideName, true, Disposition::Create, kFolderAccess | DELETE,
                              FILE_SHARE_READ, atRoot ? rootSecurity.Get() : nullptr);
        if (opened.link) return refuse();
    }
    if (!opened.handle && opened.error == ERROR_FILE_NOT_FOUND && !mayCreate) return FolderCreation::Missing;
    if (!opened.handle) {
        // A file of that name (or a link to one) is no folder.
        if (opened.error == ERROR_DIRECTORY || opened.error == ERROR_ALREADY_EXISTS) {
            const RelativeOpen other =
                OpenRelative(parentHandle, wideName, false, Disposition::Open, FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
            if (other.link) return refuse();
        }
        return FolderCreation::Failed;
    }
    if (KindOf(opened.handle) != HandleKind::Folder) return FolderCreation::Failed;
    // Checked through the handle that is held: what was checked is what is written into.
    if (refuse_ == Refuse::OpenFolders && !opened.created &&
        OthersMayChange(opened.handle, FolderChange::AddAnything)) {
        refusedOpen_ = parentPath + name;
        return FolderCreation::Failed;
    }

    Folder folder;
    folder.key = FolderKey(path);
    folder.created = opened.created;
    folder.handle = std::move(opened.handle);
    folders_.push_back(std::move(folder));
    return folders_.back().created ? FolderCreation::Created : FolderCreation::AlreadyExists;
}

bool HeldFolders::HoldExisting(const std::string& path) {
    const std::vector<std::string> steps = PathSteps(path, path.substr(0, 3));
    if (!IsDriveRoot(path.substr(0, 3)) || !HoldDriveRoot(path.substr(0, 3))) return false;
    for (const std::string& step : steps) {
        if (Hold(step, false) != FolderCreation::AlreadyExists) return false;
    }
    return true;
}

void HeldFolders::RemoveCreated() {
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
        if (folder->created) RemoveOnClose(folder->handle);
        folder->handle.Reset();
    }
    Release();
}

void HeldFolders::Release() {
    // Children first, so that a folder is never let go of before what lies in it.
    while (!folders_.empty()) folders_.pop_back();
    refusedLink_.clear();
    refusedOpen_.clear();
}

bool HoldFolderPath(std::string_view path, std::vector<std::string>& missingFolders, HeldFolders& held) {
    return CreateFolderPath(path, missingFolders, GetLogicalDrives(), [&](const std::string& folder) {
        // Below a missing folder every folder is missing as well.
        if (!missingFolders.empty()) return FolderCreation::Created;
        const FolderCreation found = held.Hold(folder, false);
        return found == FolderCreation::Missing ? FolderCreation::Created : found;
    });
}

bool MakeFolders(const std::vector<std::string>& missingFolders, HeldFolders& held,
                 std::vector<std::string>& createdFolders, std::string& failed) {
    for (const std::string& folder : missingFolders) {
        const FolderCreation made = held.Hold(folder, true);
        if (made == FolderCreation::Created) createdFolders.push_back(folder);
        if (made == FolderCreation::Failed || made == FolderCreation::Missing) {
            failed = folder;
            return false;
        }
    }
    return true;
}

}  // namespace install
