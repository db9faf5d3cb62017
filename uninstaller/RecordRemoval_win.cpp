#include "uninstaller/RecordRemoval_win.h"

#include "install/PathText.h"
#include "install/RegistryKeys_win.h"
#include "install/UninstallLayout.h"
#include "uninstaller/CommandLine.h"

namespace uninstaller {

namespace layout = install::uninstall_layout;

namespace {

std::string RootName(int root) {
    return root == install::LocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
}

std::string_view ParentOf(std::string_view key) { return key.substr(0, key.rfind('\\')); }

// Removes key with everything in it, then each parent up to (not including) stop
// while it is left empty.
void RemoveKeyAndEmptyParents(int root, install::RegistryView view, const std::string& key, std::string_view stop,
                              std::string_view what, std::vector<std::string>& failures) {
    std::string link;
    if (!install::DeleteRegistryTreeAndEmptyParents(root, key, stop, view, &link)) {
        std::string failure = std::string(what) + " (" + RootName(root) + key + ") could not be removed";
        // A registry link is left in place rather than followed to what it names.
        if (!link.empty()) failure += ": " + RootName(root) + link + " is a registry link";
        failures.push_back(failure + ".");
    }
}

// True when the command names the file, letter case ignored as in its path.
bool FoldedContains(std::string_view command, std::string_view fileName) {
    return install::FoldedPath(command).find(install::FoldedPath(fileName)) != std::string::npos;
}

// Looks through the entries below key, and the entries of nested record names
// down to a few levels.
bool EntriesBelowStart(const std::string& key, std::string_view programFileName, int depth,
                       install::RegistryView view) {
    std::vector<std::string> names;
    if (!install::ListRegistrySubkeys(install::LocalMachine, key, names, view)) return false;
    for (const auto& name : names) {
        const std::string entry = key + '\\' + name;
        std::string command;
        if (install::ReadRegistryValueText(install::LocalMachine, layout::ValuePath(entry, layout::kUninstallString),
                                           command, view) &&
            FoldedContains(command, programFileName)) {
            return true;
        }
        if (depth > 1 && EntriesBelowStart(entry, programFileName, depth - 1, view)) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> RemoveUninstallRecord(const layout::RecordKeys& record, install::RegistryView view) {
    std::vector<std::string> failures;
    // HKEY_CURRENT_USER\Software has one view for programs of both architectures.
    // A current user's log is its trusted copy: once it is gone, no copy is left.
    RemoveKeyAndEmptyParents(record.logRoot, install::RegistryView::Own, record.logKey, ParentOf(layout::kMakerKey),
                             "The uninstall log", failures);
    if (install::RegistryKeyExists(record.trustedRoot, record.trustedKey, view)) {
        RemoveKeyAndEmptyParents(record.trustedRoot, view, record.trustedKey, ParentOf(record.trustedMakerKey),
                                 "The administrator's copy of the uninstall log", failures);
    }
    if (EntryStartsUninstallerFor(record, view)) {
        RemoveKeyAndEmptyParents(record.entryRoot, view, record.entryKey, layout::kSystemUninstallKey,
                                 "The entry in the list of installed programs", failures);
    }
    return failures;
}

bool EntryStartsUninstallerFor(const layout::RecordKeys& record, install::RegistryView view) {
    std::string command;
    if (!install::ReadRegistryValueText(record.entryRoot, layout::ValuePath(record.entryKey, layout::kUninstallString),
                                        command, view) ||
        !FoldedContains(command, layout::kUninstallerFileName)) {
        return false;
    }
    const UninstallCommandLine started = ParseUninstallCommandLine(command);
    return started.record == record.name && started.currentUser == (record.scope == install::InstallScope::User);
}

bool UninstallEntriesStart(std::string_view programFileName) {
    for (const install::RegistryView view : install::kBothViews) {
        if (EntriesBelowStart(std::string(layout::kSystemUninstallKey), programFileName, 4, view)) return true;
    }
    return false;
}

}  // namespace uninstaller
