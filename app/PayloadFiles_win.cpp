#include "app/PayloadFiles_win.h"

#include "framework/WideText_win.h"
#include "install/LinkFreePath.h"
#include "install/RelativeOpen_win.h"

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

}  // namespace

bool PayloadFiles::Prepare(const std::vector<install::PayloadEntry>& entries, const BaseFolders& bases,
                           const std::vector<std::string>& trustedFiles, install::HeldFolders& held,
                           std::vector<std::string>& createdFolders, PayloadProblem& problem) {
    targets_.clear();
    for (const install::PayloadEntry& entry : entries) {
        const std::string base = BaseFolderFor(entry.folderKind, bases);
        if (!held.Find(base) && !held.HoldExisting(base)) return HeldFault(held, problem, base);
        Target target;
        target.place = PayloadPlaceFor(base, entry.fileName);
        for (const std::string& folder : target.place.subfolders) {
            const install::FolderCreation made = held.Hold(folder, true);
            if (made == install::FolderCreation::Failed) return HeldFault(held, problem, folder);
            if (made == install::FolderCreation::Created) createdFolders.push_back(folder);
        }

        bool earlierEntry = false;
        for (const Target& earlier : targets_) earlierEntry |= install::SamePathText(earlier.place.path, target.place.path);
        const install::RelativeOpen existing =
            install::OpenRelative(held.Find(target.place.folder), framework::WideText(target.place.name), false,
                                  install::Disposition::Open, FILE_READ_ATTRIBUTES, kShareAll);
        if (existing.link) return Stop(problem, PayloadFault::Link, target.place.path);
        if (existing.handle) {
            const bool installedBefore =
                IsLoggedKind(entry.folderKind) && ListsPath(trustedFiles, target.place.path);
            if (!installedBefore && !earlierEntry) return Stop(problem, PayloadFault::Foreign, target.place.path);
        } else if (existing.error != ERROR_FILE_NOT_FOUND) {
            // A folder or something else of that name: no file can be written there.
            return Stop(problem, PayloadFault::Failed, target.place.path, existing.error);
        }
        target.replaces = static_cast<bool>(existing.handle) || earlierEntry;
        targets_.push_back(std::move(target));
    }
    return true;
}

framework::FileHandle PayloadFiles::Open(std::size_t index, const install::HeldFolders& held,
                                         PayloadProblem& problem) const {
    const Target& target = targets_[index];
    // A file that was not there when checked must still be new: one that appeared
    // since is another program's.
    install::RelativeOpen file = install::OpenFileForWriting(
        held.Find(target.place.folder), framework::WideText(target.place.name), target.replaces);
    if (file.handle) return std::move(file.handle);
    if (file.link) {
        Stop(problem, PayloadFault::Link, target.place.path);
    } else if (file.error == ERROR_FILE_EXISTS) {
        Stop(problem, PayloadFault::Foreign, target.place.path);
    } else {
        Stop(problem, PayloadFault::Failed, target.place.path, file.error);
    }
    return {};
}

bool PayloadFiles::Remove(std::size_t index, const install::HeldFolders& held) const {
    const Target& target = targets_[index];
    const install::RelativeOpen file =
        install::OpenRelative(held.Find(target.place.folder), framework::WideText(target.place.name), false,
                              install::Disposition::Open, DELETE, kShareAll);
    return file.handle && install::RemoveOnClose(file.handle);
}

}  // namespace app
