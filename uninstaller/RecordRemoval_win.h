#pragma once
// Removing the registry side of an installation: the uninstall log under
// HKEY_CURRENT_USER, its trusted copy and the uninstall entry under
// HKEY_LOCAL_MACHINE, and the keys above them that only existed for this product.
#include <string>
#include <string_view>
#include <vector>

namespace uninstaller {

// Removes the log, its trusted copy and the uninstall entry of a valid record name,
// and every parent key the record name made that is left empty
// ("Software\Tolvik\<record>", "Software\Tolvik", the parts of a nested name under
// the system's uninstall key). The entry goes only when it starts this uninstaller
// for this record: another product's entry of the same name stays. Returns one
// sentence for each key that could not be removed.
std::vector<std::string> RemoveUninstallRecord(std::string_view record);

// True when the record's uninstall entry starts TKUNTOOL.EXE with this record.
bool EntryStartsUninstallerFor(std::string_view record);

// True when some product's uninstall entry still starts a program with this file
// name ("TKUNTOOL.EXE"): the uninstaller is shared by every product installed with it.
bool UninstallEntriesStart(std::string_view programFileName);

}  // namespace uninstaller
