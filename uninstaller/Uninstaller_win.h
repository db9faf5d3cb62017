#pragma once
// Removes one installed product as the trusted copy of its uninstall log lists it
// (HKEY_LOCAL_MACHINE, see UninstallLayout.h): desktop shortcuts, the program
// group's shortcuts, the files, the created folders (each only when empty), the
// uninstall log, its copy and the entry, and finally the uninstaller itself. A
// file that a running program holds is deleted when Windows next starts instead,
// and so is each created folder that only such files keep. A log under
// HKEY_CURRENT_USER without that copy (an installation made before setup kept
// one, or values setup never wrote) removes nothing from disk: only its registry
// information goes, and the user is told what to remove by hand.
//
// A current user's record (UninstallLayout.h) is removed by the user's own,
// unelevated uninstaller, in the product's folder, from that record alone: its one
// key and its entry under HKEY_CURRENT_USER, the user's desktop and Start menu, and
// nothing at the next start of Windows, which needs administrator rights (a file
// in use stays, with the record, for another run). The uninstaller leaves the
// product's folder by moving its own file into the user's temporary folder. An
// elevated process removes nothing of such a record.
#include <string>
#include <string_view>

#include "install/InstallScope.h"
#include "uninstaller/SystemFolders_win.h"

namespace uninstaller {

// How the uninstaller talks to the user: the question before anything is removed
// and the one box at the end.
class Prompt {
public:
    virtual ~Prompt();
    // True when the user answers Yes.
    virtual bool Confirm(std::string_view text) = 0;
    // problem: something was not removed or could not be determined.
    virtual void Report(std::string_view text, bool problem) = 0;
};

// Message boxes: Yes/No with the question icon; the report with the information
// or the exclamation icon.
class MessageBoxPrompt : public Prompt {
public:
    bool Confirm(std::string_view text) override;
    void Report(std::string_view text, bool problem) override;
};

struct UninstallSettings {
    SystemFolders folders;
    // The uninstaller's installed copy: shortcuts to it (with this record as
    // arguments) belong to the product. The machine's records share
    // <Windows folder>\TKUNTOOL.EXE; a current user's record has its own in the
    // folder its entry names ("InstallLocation").
    std::string installedUninstaller;
    // The running installed copy, to remove; empty to keep it (a copy started from
    // anywhere else). The shared one goes at the end, once no other product's
    // uninstall entry starts it; a current user's moves out of the product's folder
    // once every file of the record is gone, before the folders.
    std::string removableUninstaller;
    // This process runs with administrator rights: a current user's record is refused.
    bool elevated = false;
};

enum class UninstallResult {
    Removed,           // everything the log lists is gone
    RemovedAtRestart,  // gone but for files in use (and their folders), deleted when Windows next starts
    RemovedExcept,     // the report lists what stays and why
    Cancelled,         // the user answered No; nothing was touched
    NoRecord,          // no record name, or no log for it; nothing was touched
    RecordOnly,        // no trusted copy: the registry information went, nothing on disk
    Refused,           // a current user's record and an elevated process; nothing was touched
};

// The settings for the running program and a record of scope: this system's
// folders, the installed uninstaller, the running file as the one to remove when
// it is that copy, and whether this process is elevated.
UninstallSettings SettingsForThisProgram(install::InstallScope scope = install::InstallScope::Machine,
                                         std::string_view record = {});

// record: the record name from the command line (already trimmed); scope: whose
// record it is (/CURRENTUSER: the current user's).
UninstallResult Uninstall(std::string_view record, Prompt& prompt, const UninstallSettings& settings,
                          install::InstallScope scope = install::InstallScope::Machine);

}  // namespace uninstaller
