#pragma once
// Removing the registry side of an installation: the uninstall log under
// HKEY_CURRENT_USER, its trusted copy and the uninstall entry under
// HKEY_LOCAL_MACHINE (a current user's record: its one key and its entry, both
// under HKEY_CURRENT_USER), and the keys above them that only existed for this
// product. The machine's record and a current user's record of the same name
// are separate keys: removing one leaves the other whole.
#include <string>
#include <string_view>
#include <vector>

#include "install/RegistryKeys_win.h"
#include "install/UninstallLayout.h"

namespace uninstaller {

// Removes the record's log, and the trusted copy and uninstall entry that registry
// view holds, and every parent key the record name made that is
// left empty ("Software\Tolvik\<record>", "Software\Tolvik", the parts of a nested
// name under the system's uninstall key). The entry goes only when it starts this
// uninstaller for this record: another product's entry of the same name stays.
// Returns one sentence for each key that could not be removed. Nothing under
// HKEY_CURRENT_USER is removed through a registry link: a link stays, and is named.
std::vector<std::string> RemoveUninstallRecord(const install::uninstall_layout::RecordKeys& record,
                                               install::RegistryView view);

// True when the record's uninstall entry in view starts TKUNTOOL.EXE with this
// record, and with /CURRENTUSER exactly when the record is a current user's.
bool EntryStartsUninstallerFor(const install::uninstall_layout::RecordKeys& record, install::RegistryView view);

// True when some product's uninstall entry, in either registry view, still starts a
// program with this file name ("TKUNTOOL.EXE"): the uninstaller is shared by every
// product installed with it, of either architecture.
bool UninstallEntriesStart(std::string_view programFileName);

}  // namespace uninstaller
