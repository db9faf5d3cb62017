#include "uninstaller/RecordRemoval_win.h"

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

bool FoldedContains(std::string_view text, std::string_view part) {
    const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    if (part.size() > text.size()) return false;
    for (std::size_t start = 0; start + part.size() <= text.size(); ++start) {
        std::size_t i = 0;
        while (i < part.size() && fold(text[start + i]) == fold(part[i])) ++i;
        if (i == part.size()) return true;
    }
    return false;
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

std::vector<std::string> RemoveUninstallRecord(std::string_view record, install::RegistryView view) {
    std::vector<std::string> failures;
    if (!layout::IsValidRecordName(record)) return failures;
    // HKEY_CURRENT_USER\Software has one view for programs of both architectures.
    RemoveKeyAndEmptyParents(layout::kLogRoot, install::RegistryView::Own, layout::LogKey(record),
                             ParentOf(layout::kMakerKey), "The uninstall log", failures);
    const std::string trusted = layout::TrustedLogKey(record);
    if (install::RegistryKeyExists(layout::kTrustedRoot, trusted, view)) {
        RemoveKeyAndEmptyParents(layout::kTrustedRoot, view, trusted, ParentOf(layout::kTrustedMakerKey),
                                 "The administrator's copy of the uninstall log", failures);
    }
    const std::string entry = layout::EntryKey(record);
    if (EntryStartsUninstallerFor(record, view)) {
        RemoveKeyAndEmptyParents(layout::kEntryRoot, view, entry, layout::kSystemUninstallKey,
                                 "The entry in the list of installed programs", failures);
    }
    return failures;
}

bool EntryStartsUninstallerFor(std::string_view record, install::RegistryView view) {
    std::string command;
    return layout::IsValidRecordName(record) &&
           install::ReadRegistryValueText(layout::kEntryRoot,
                                          layout::ValuePath(layout::EntryKey(record), layout::kUninstallString),
                                          command, view) &&
           FoldedContains(command, layout::kUninstallerFileName) && RecordFromCommandLine(command) == record;
}

bool UninstallEntriesStart(std::string_view programFileName) {
    for (const install::RegistryView view : install::kBothViews) {
        if (EntriesBelowStart(std::string(layout::kSystemUninstallKey), programFileName, 4, view)) return true;
    }
    return false;
}

}  // namespace uninstaller
