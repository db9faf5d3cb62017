#include "app/PayloadFiles_win.h"

#include <set>

#include "framework/WideText_win.h"
#include "install/LinkFreePath.h"
#include "install/PathText.h"
#include "install/RelativeOpen_win.h"
#include "install/UninstallLayout.h"

namespace app {

namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Stop(PayloadProblem& problem, PayloadFault fault, std::string where, DWORD error = NO_ERROR) {
    problem.fault = fault;
    problem.where = std::move(where);
    problem.error = error;
    return false;
}

bool HeldFault(const install::HeldFolders& held, PayloadProblem& problem, const std::string& where) {
    if (!held.RefusedLink().empty()) return Stop(problem, PayloadFault::Link, held.RefusedLink());
    if (!held.RefusedOpenFolder().empty()) return Stop(problem, PayloadFault::OpenFolder, held.RefusedOpenFolder());
    return Stop(problem, PayloadFault::Failed, where, ERROR_PATH_NOT_FOUND);
}

// Checks the file name below folder, when there is one: a link is refused, and a
// file that is not the record's (mayExist false) is another program's.
bool CheckExisting(HANDLE folder, const std::string& name, bool mayExist, const std::string& path,
                   PayloadProblem& problem) {
    const install::RelativeOpen existing = install::OpenRelative(folder, framework::WideText(name), false,
                                                                 install::Disposition::Open, FILE_READ_ATTRIBUTES,
                                                                 kShareAll);
    if (existing.link) return Stop(problem, PayloadFault::Link, path);
    if (existing.handle) return mayExist || Stop(problem, PayloadFault::Foreign, path);
    // A folder or something else of that name: no file can be written there.
    return existing.error == ERROR_FILE_NOT_FOUND || Stop(problem, PayloadFault::Failed, path, existing.error);
}

// The name the entry's bytes are written to.
std::wstring WrittenName(const PayloadPlace& place, bool newCopy) {
    return framework::WideText(newCopy ? place.name + std::string(install::uninstall_layout::kNewCopySuffix)
                                       : place.name);
}

}  // namespace

bool PayloadFiles::Prepare(const std::vector<install::PayloadEntry>& entries, const BaseFolders& bases,
                           const std::vector<std::string>& recordedFiles, install::HeldFolders& held,
                           std::vector<std::string>& missingFolders, PayloadProblem& problem) {
    targets_.clear();
    install::PathSet recorded;
    for (const std::string& file : recordedFiles) recorded.Add(file);
    install::PathSet placed;
    std::set<std::string> missing;
    for (const std::string& folder : missingFolders) missing.insert(install::FolderKey(folder));
    for (const install::PayloadEntry& entry : entries) {
        const std::string base = BaseFolderFor(entry.folderKind, bases);
        bool absent = missing.count(install::FolderKey(base)) != 0;
        if (!absent && !held.Find(base) && !held.HoldExisting(base)) return HeldFault(held, problem, base);
        Target target;
        target.place = PayloadPlaceFor(base, entry.fileName);
        target.newCopy = IsLoggedKind(entry.folderKind);
        for (const std::string& folder : target.place.subfolders) {
            if (!absent && !held.Find(folder)) {
                const install::FolderCreation found = held.Hold(folder, false);
                if (found == install::FolderCreation::Failed) return HeldFault(held, problem, folder);
                absent = found == install::FolderCreation::Missing;
            }
            if (absent && missing.insert(install::FolderKey(folder)).second) missingFolders.push_back(folder);
        }

        // An earlier entry of the same path is written, then replaced by this one's file.
        const bool earlierEntry = !placed.Add(target.place.path);
        if (earlierEntry) {
            for (Target& earlier : targets_) {
                if (install::SamePathText(earlier.place.path, target.place.path)) earlier.commits = false;
            }
        }
        target.replaces = earlierEntry || (target.newCopy && recorded.Holds(target.place.path));
        if (!absent) {
            const HANDLE folder = held.Find(target.place.folder);
            if (!CheckExisting(folder, target.place.name, target.replaces, target.place.path, problem)) return false;
            if (target.newCopy &&
                !CheckExisting(folder, target.place.name + std::string(install::uninstall_layout::kNewCopySuffix),
                               target.replaces, install::uninstall_layout::NewCopyPath(target.place.path), problem)) {
                return false;
            }
        }
        targets_.push_back(std::move(target));
    }
    return true;
}

framework::FileHandle PayloadFiles::Open(std::size_t index, const install::HeldFolders& held,
                                         PayloadProblem& problem) {
    Target& target = targets_[index];
    // A file that was not there when checked must still be new: one that appeared
    // since is another program's.
    install::RelativeOpen file = install::OpenFileForWriting(
        held.Find(target.place.folder), WrittenName(target.place, target.newCopy), target.replaces);
    if (file.handle) {
        target.written = install::FileNumberOf(file.handle);
        return std::move(file.handle);
    }
    const std::string written =
        target.newCopy ? install::uninstall_layout::NewCopyPath(target.place.path) : target.place.path;
    if (file.link) {
        Stop(problem, PayloadFault::Link, target.place.path);
    } else if (file.error == ERROR_FILE_EXISTS) {
        Stop(problem, PayloadFault::Foreign, written);
    } else {
        Stop(problem, PayloadFault::Failed, target.place.path, file.error);
    }
    return {};
}

install::RelativeOpen PayloadFiles::OpenWritten(std::size_t index, const install::HeldFolders& held,
                                                ACCESS_MASK access) const {
    const Target& target = targets_[index];
    const HANDLE folder = held.Find(target.place.folder);
    const std::wstring name = WrittenName(target.place, target.newCopy);
    // Known by its number, the file needs no reading back of the folder's entry
    // and both paths: a thousand files' worth of requests to the system.
    if (target.written != 0) return install::OpenSameFile(folder, name, target.written, access, kShareAll);
    return install::OpenRelative(folder, name, false, install::Disposition::Open, access, kShareAll);
}

bool PayloadFiles::Remove(std::size_t index, const install::HeldFolders& held) const {
    const install::RelativeOpen file = OpenWritten(index, held, DELETE);
    return file.handle && install::RemoveOnClose(file.handle);
}

DWORD PayloadFiles::Commit(std::size_t index, const install::HeldFolders& held) const {
    const Target& target = targets_[index];
    if (!target.newCopy || !target.commits) return NO_ERROR;
    const install::RelativeOpen copy = OpenWritten(index, held, DELETE);
    if (!copy.handle) return copy.link ? ERROR_CANT_ACCESS_FILE : copy.error;
    return install::RenameBelow(copy.handle, held.Find(target.place.folder), framework::WideText(target.place.name));
}

}  // namespace app
