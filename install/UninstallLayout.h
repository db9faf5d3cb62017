#pragma once
// Where an installation leaves its uninstall record and what every value is called:
// the contract between the setup program, which writes it, and the uninstaller,
// which reads it and removes what it lists.
//
// The uninstall log, root HKEY_CURRENT_USER, key "Software\Tolvik\<record>\Uninstall",
// every value REG_SZ, numbers as decimal text, written in this order:
//   "Project"        the program group's name
//   "IDate"          the local date of the installation, "Monday, December 07, 2026"
//   "up"             "1"
//   "Folder0"...     each folder the installation created, ending in "\", deepest first
//   "TotalFolders"   how many "Folder" values this installation wrote
//   "File0"...       each installed file outside the Windows folder, in document order
//   "TotalFiles"     how many "File" values (missing: the run stopped while copying)
//   "DF0"...         the name (without ".lnk") of each desktop shortcut made
//   "TotalDF"        how many "DF" values
//   "SGroup"         the program group folder under the Start menu's Programs folder
// Values are never deleted by a later installation, so indexes at or above a "Total"
// count may be left over from an earlier one and are not current; only the trusted
// copy's "File" values at and above "TotalFiles" are removed once a run has listed
// its files (it removes the files an earlier run installed and it does not, and
// lists again those it could not remove). A later run of
// the same record lists, besides its own, the folders an earlier run created that
// still exist, so that a retry after a failed run still covers them.
//
// The trusted copy: the same values, written at the same moments, under
// HKEY_LOCAL_MACHINE "SOFTWARE\Tolvik\<record>\Uninstall", which only an
// administrator can write. The uninstaller runs elevated and removes files, folders
// and shortcuts only as this copy lists them; the log under HKEY_CURRENT_USER, which
// any program of the user can change, is never acted on. A 32-bit setup on 64-bit
// Windows writes the copy and the entry in the 32-bit view (WOW6432Node); the
// uninstaller, shared by products of both architectures, looks in both views.
//
// The trusted copy also keeps the journal of the run that writes it, so that a
// run ended at any instant (killed, a power loss) leaves nothing the record does
// not cover:
//   "Run"          "incomplete" from before a run makes anything until its record
//                  is final, then "complete"; missing: a run that kept no journal,
//                  taken as complete
//   "Noted0"...    every path a run is about to make (each file the record lists,
//                  each folder it will create, ending in "\") and every path the
//                  record listed when the run began, noted and flushed to disk
//                  before anything is made; read up to the first index missing.
//                  A later run adds to them; a run that completes removes them.
// Each listed file is written first as its new copy beside it (NewCopyPath) and
// then renamed over it, so a file is always whole: the old one or the new one. A
// run that did not complete may have left a new copy: it is the record's own.
// While "Run" is "incomplete", the record's files are its "File" values and the
// noted files with their new copies, its folders its "Folder" values and the noted
// folders: the uninstaller removes all of them, setup takes them as its own.
//
// The uninstall entry, root HKEY_LOCAL_MACHINE,
// key "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<record>":
//   "DisplayName"      REG_SZ  the group name + " (Remove Only)"
//   "UninstallString"  REG_SZ  the uninstaller's path, a blank, the record name
//   "QuietUninstallString"  REG_SZ  the same and " /S": removes with no box
//   "DisplayIcon"      REG_SZ  the icon the system shows for the entry
//   "InstallLocation"  REG_SZ  the destination folder
//   "EstimatedSize"    REG_DWORD  kilobytes installed
//   "NoModify", "NoRepair"  REG_DWORD 1: the entry offers removal only
// A record name holding "\" makes nested keys under both parents.
//
// A product installed for the current user only keeps one copy of the record,
// under HKEY_CURRENT_USER "Software\Tolvik\<record>\CurrentUser", with the same
// values and journal: the user can write it, and only the user's own, unelevated
// programs act on it. Its entry is under HKEY_CURRENT_USER
// "Software\Microsoft\Windows\CurrentVersion\Uninstall\<record>", and its
// uninstaller is in the product's folder. The machine's record of the same name
// and the user's are separate: neither's setup or uninstaller touches the other.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/InstallScope.h"
#include "install/RegistryAccess.h"

namespace install::uninstall_layout {

inline constexpr int kLogRoot = CurrentUser;
inline constexpr int kEntryRoot = LocalMachine;
inline constexpr int kTrustedRoot = LocalMachine;

inline constexpr std::string_view kMakerKey = "Software\\Tolvik";
inline constexpr std::string_view kTrustedMakerKey = "SOFTWARE\\Tolvik";
inline constexpr std::string_view kLogSubkey = "Uninstall";
inline constexpr std::string_view kUserRecordSubkey = "CurrentUser";
inline constexpr std::string_view kSystemUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The log's values.
inline constexpr std::string_view kProject = "Project";
inline constexpr std::string_view kInstallDate = "IDate";
inline constexpr std::string_view kUp = "up";
inline constexpr std::string_view kFolderPrefix = "Folder";
inline constexpr std::string_view kTotalFolders = "TotalFolders";
inline constexpr std::string_view kFilePrefix = "File";
inline constexpr std::string_view kTotalFiles = "TotalFiles";
inline constexpr std::string_view kDesktopShortcutPrefix = "DF";
inline constexpr std::string_view kTotalDesktopShortcuts = "TotalDF";
inline constexpr std::string_view kStartMenuGroup = "SGroup";

// The trusted copy's journal.
inline constexpr std::string_view kRunState = "Run";
inline constexpr std::string_view kRunIncomplete = "incomplete";
inline constexpr std::string_view kRunComplete = "complete";
inline constexpr std::string_view kNotedPrefix = "Noted";
inline constexpr std::string_view kNewCopySuffix = ".tknew";

// The entry's values.
inline constexpr std::string_view kDisplayName = "DisplayName";
inline constexpr std::string_view kUninstallString = "UninstallString";
inline constexpr std::string_view kQuietUninstallString = "QuietUninstallString";
inline constexpr std::string_view kDisplayIcon = "DisplayIcon";
inline constexpr std::string_view kInstallLocation = "InstallLocation";
inline constexpr std::string_view kEstimatedSize = "EstimatedSize";
inline constexpr std::string_view kNoModify = "NoModify";
inline constexpr std::string_view kNoRepair = "NoRepair";
inline constexpr std::string_view kDisplayVersion = "DisplayVersion";
inline constexpr std::string_view kPublisher = "Publisher";
inline constexpr std::string_view kRemoveOnlySuffix = " (Remove Only)";

// The uninstaller program, written into the Windows folder, and its Start-menu shortcut.
inline constexpr std::string_view kUninstallerFileName = "TKUNTOOL.EXE";
inline constexpr std::string_view kUninstallerShortcutPrefix = "Uninstall ";

// A record name must be usable as a key path below both parents: a relative name
// that the document's name rule accepts (install/NameRule.h: no empty, "." or ".."
// part, so no leading, trailing or doubled "\"). An empty name would put the
// values into the parents themselves.
bool IsValidRecordName(std::string_view record);

// The record's keys, made once from its name: everything that writes, reads or
// removes the record takes them from here.
// For the current user, the log and the trusted copy are one key under HKEY_CURRENT_USER.
struct RecordKeys {
    std::string name;        // the record name, as the entry's command line gives it
    InstallScope scope = InstallScope::Machine;
    int logRoot = kLogRoot;
    std::string logKey;      // "Software\Tolvik\<record>\Uninstall"
    int trustedRoot = kTrustedRoot;
    std::string trustedKey;  // "SOFTWARE\Tolvik\<record>\Uninstall"
    int entryRoot = kEntryRoot;
    std::string entryKey;    // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<record>"
    // The key that "SOFTWARE\Tolvik" or "Software\Tolvik" stands for below the
    // trusted root: where removing the emptied parents of the trusted copy stops.
    std::string trustedMakerKey;
};
// Nothing for a name that IsValidRecordName refuses.
std::optional<RecordKeys> KeysOfRecord(std::string_view record, InstallScope scope = InstallScope::Machine);
// key + "\" + valueName: the value path RegistryAccess takes.
std::string ValuePath(std::string_view key, std::string_view valueName);
// prefix + index in decimal: "Folder0", "File12", "DF3".
std::string IndexedName(std::string_view prefix, int index);
// "UninstallString": the uninstaller's path, a blank and the record name. A path
// holding a blank is put in double quotes so that the system starts the right file.
// A record of the current user's is followed by " /CURRENTUSER".
std::string UninstallCommand(std::string_view uninstallerPath, std::string_view record,
                             InstallScope scope = InstallScope::Machine);
// "QuietUninstallString": the uninstall command and " /S". A record holding a word
// that starts with "/" is put in double quotes, so that it is not taken for a switch.
std::string QuietUninstallCommand(std::string_view uninstallerPath, std::string_view record,
                                  InstallScope scope = InstallScope::Machine);
// "Uninstall <record>".
std::string UninstallerShortcutName(std::string_view record);

// No log lists more values of one kind than this; a larger count is not believed.
inline constexpr int kMaxLoggedValues = 10000;
// The journal notes the files and folders of the record as it was and of the run:
// at most this many "Noted" values are read.
inline constexpr int kMaxNotedValues = 4 * kMaxLoggedValues;

// Where a listed file's new copy is written before it is renamed over the file.
std::string NewCopyPath(std::string_view file);
// A noted folder ends in "\"; a noted file does not.
bool IsNotedFolder(std::string_view noted);
// A "Total" count as the log stores it: decimal digits only, 0 to kMaxLoggedValues.
std::optional<int> ParseCount(std::string_view text);

// The "Folder" values of a run, deepest first: the folders this run created
// (createdThisRun in creation order, outermost first) and those an earlier run of
// the same record created and that are still there, each folder once (letter case
// ignored). Folders of equal depth keep this run's first, then the earlier order.
std::vector<std::string> FoldersToLog(const std::vector<std::string>& createdThisRun,
                                      const std::vector<std::string>& earlierStillThere);

}  // namespace install::uninstall_layout
