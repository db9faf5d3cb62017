#pragma once
// Writes the uninstall log, its trusted copy and the uninstall entry (see
// UninstallLayout.h) at the stages of an installation. A value that cannot be written is skipped and the
// record goes on; each call's result says whether all of its values were stored,
// for callers that care (the installation run does not).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "install/RegistryAccess.h"
#include "install/UninstallLayout.h"

namespace install {

// What the system's list of installed programs shows for the product.
struct UninstallEntry {
    std::string groupName;        // "DisplayName" is this + " (Remove Only)"
    std::string uninstallerPath;  // "UninstallString" is this + " " + the record name
    std::string installLocation;  // "InstallLocation": the destination folder; empty: none written
    std::string displayIcon;      // "DisplayIcon"; empty: the uninstaller's icon
    std::uint32_t estimatedKilobytes = 0;  // "EstimatedSize"
    std::string displayVersion;   // "DisplayVersion"; not written when empty
    std::string publisher;        // "Publisher"; not written when empty
};

#ifdef _WIN32
class UninstallRecord {
public:
    // registryRecord names the record's keys (uninstall_layout::KeysOfRecord); a
    // name that has none makes every call write nothing and return false.
    // scope says whose record it is: the machine's (HKEY_LOCAL_MACHINE) or the
    // current user's (HKEY_CURRENT_USER), see UninstallLayout.h.
    explicit UninstallRecord(std::string_view registryRecord, InstallScope scope = InstallScope::Machine);
    virtual ~UninstallRecord();

    // The log's first values: "Project", "IDate", "up", one "Folder" value per
    // created folder (createdFolders is in creation order; the deepest gets index 0)
    // and "TotalFolders". The folders that the trusted copy of an earlier run of
    // this record lists and that are still folders are listed again. Starts the
    // file and shortcut counts at 0.
    bool Begin(std::string_view groupName, const std::vector<std::string>& createdFolders);
    // The same with the install date given ("Monday, December 07, 2026").
    bool Begin(std::string_view groupName, const std::vector<std::string>& createdFolders,
               std::string_view installDate);

    // Every file the trusted copy lists for this record: "File0", "File1", ... up
    // to the first index missing, so that the files of a run that stopped early and
    // those an earlier, longer run left listed count as well. Read before Begin.
    std::vector<std::string> TrustedFiles() const;
    // The folders the trusted copy's last run lists ("Folder0" up to "TotalFolders"):
    // those that earlier runs of this record created. Read before Begin.
    std::vector<std::string> TrustedFolders() const;

    // Every file the record covers: TrustedFiles, and while a run of it is
    // incomplete also the files the journal noted and their new copies. Setup
    // replaces or removes them as its own; none of them is another program's.
    std::vector<std::string> RecordedFiles() const;
    // Every folder the record covers, each ending in "\": TrustedFolders, and while
    // a run of it is incomplete also the folders the journal noted.
    std::vector<std::string> RecordedFolders() const;
    // True when a run of this record began and did not complete (UninstallLayout.h).
    bool Incomplete() const;
    // True when the record has a trusted copy (an earlier run, complete or not).
    bool Exists() const;

    // The journal: marks the run incomplete, notes each path (files, and folders
    // ending in "\") not noted yet, and waits until all of it is on disk. False
    // when any of it could not be stored: the run must then make nothing.
    bool Note(const std::vector<std::string>& paths);
    // Before the shortcuts are made: the trusted copy's "DF" values list the
    // desktop shortcuts this run may make and those it listed already, and
    // "SGroup" names the program group, on disk before the first is made.
    bool NoteShortcuts(const std::vector<std::string>& desktopShortcuts, std::string_view groupName);
    // Marks the run complete, once the record lists what is installed, and drops
    // the noted paths.
    bool Complete();
    // Undoes the record of a first installation that failed before anything of it
    // stayed: the trusted copy goes, and the entry when this run wrote it, with
    // the keys above them that are left empty.
    void Forget(bool entryWritten);

    // The version an earlier installation of this record put in its entry
    // ("DisplayVersion"); empty when the record has no trusted copy or none is named.
    std::string InstalledVersion() const;

    // The folder an earlier installation of this record put the product into, as
    // its uninstall entry says ("InstallLocation"); empty when the record has no
    // trusted copy (the entry may then be another product's) or the entry names none.
    std::string InstalledFolder() const;

    // "File<n>" for an installed file, n counting from 0.
    bool AddFile(std::string_view path);
    // "TotalFiles": the number of files added. The trusted copy's "File" values at
    // and above that number, left by an earlier run that listed more, are removed,
    // so that it lists exactly the files installed; the log under
    // HKEY_CURRENT_USER keeps them.
    bool FinishFiles();
    // "DF<n>" for a desktop shortcut that was made.
    bool AddDesktopShortcut(std::string_view shortcutName);
    // "TotalDF" and "SGroup".
    bool FinishShortcuts(std::string_view groupName);
    // The entry in the system's list of installed programs.
    bool WriteUninstallEntry(const UninstallEntry& entry);
    // True when the system's list of installed programs has an entry of this record's name.
    bool HasUninstallEntry() const;

    // Every value written from now on is logged (see RegistryAccess::LogWritesTo).
    void LogWritesTo(framework::RunLog* log) noexcept { registry_.LogWritesTo(log); }

    const uninstall_layout::RecordKeys& Keys() const noexcept { return keys_; }
    const std::string& LogKey() const noexcept { return keys_.logKey; }
    const std::string& TrustedLogKey() const noexcept { return keys_.trustedKey; }
    const std::string& EntryKey() const noexcept { return keys_.entryKey; }
    int FileCount() const noexcept { return fileCounter_; }
    int DesktopShortcutCount() const noexcept { return shortcutCounter_; }

private:
    bool WriteLogText(std::string_view valueName, std::string_view text);
    bool WriteLogNumber(std::string_view valueName, std::int32_t number);
    // The folders the record covers that are still folders.
    std::vector<std::string> EarlierFoldersStillThere() const;
    // The journal's noted paths, up to the first index missing.
    std::vector<std::string> Noted() const;
    // The trusted copy's values prefix + "0", "1", ... up to the first one missing
    // and at most most of them.
    std::vector<std::string> TrustedValuesUpToGap(std::string_view prefix, int most) const;

    RegistryAccess registry_;
    uninstall_layout::RecordKeys keys_;  // all empty when not usable_
    bool usable_ = false;
    int fileCounter_ = 0;
    int shortcutCounter_ = 0;
    std::vector<std::string> noted_;  // the journal's paths as read or written, in order
    bool notedRead_ = false;
};
#endif

}  // namespace install
