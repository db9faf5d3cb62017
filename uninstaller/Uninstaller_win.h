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
#include <string>
#include <string_view>

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
    // The uninstaller's installed copy, <Windows folder>\TKUNTOOL.EXE: shortcuts to
    // it (with this record as arguments) belong to the product.
    std::string installedUninstaller;
    // The file to remove at the end, once no other product's uninstall entry starts
    // it; empty to keep it (a copy started from anywhere but the Windows folder).
    std::string removableUninstaller;
};

enum class UninstallResult {
    Removed,           // everything the log lists is gone
    RemovedAtRestart,  // gone but for files in use (and their folders), deleted when Windows next starts
    RemovedExcept,     // the report lists what stays and why
    Cancelled,         // the user answered No; nothing was touched
    NoRecord,          // no record name, or no log for it; nothing was touched
    RecordOnly,        // no trusted copy: the registry information went, nothing on disk
};

// The settings for the running program: this system's folders, and the running
// file as the one to remove when it is the installed copy.
UninstallSettings SettingsForThisProgram();

// record: the record name from the command line (already trimmed).
UninstallResult Uninstall(std::string_view record, Prompt& prompt, const UninstallSettings& settings);

}  // namespace uninstaller
