#pragma once
// Keys under HKEY_CURRENT_USER for the elevated programs. Any program of the user
// can turn a key there into a registry symbolic link naming, say, a key under
// HKEY_LOCAL_MACHINE; the system follows such a link when a path is opened by
// name. These helpers walk a path one key at a time, each opened as itself
// (REG_OPTION_OPEN_LINK), and refuse a link wherever it stands, so nothing is
// read, written or deleted through one.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"

namespace install {

enum class UserKeyStatus { Opened, Missing, Link, Failed };

struct UserKey {
    framework::RegistryKey key;  // set only when Opened
    UserKeyStatus status = UserKeyStatus::Failed;
    std::string link;  // with Link: the key path up to and including the link
};

// True when the key, opened with REG_OPTION_OPEN_LINK and KEY_QUERY_VALUE, is a
// link: it holds "SymbolicLinkValue" of type REG_LINK.
bool IsRegistryLink(HKEY key);

// Opens HKEY_CURRENT_USER\keyPath with access (KEY_QUERY_VALUE is always added);
// with create, missing keys on the way are made. A link on the path gives Link.
UserKey OpenUserKey(std::string_view keyPath, REGSAM access, bool create);

// The names of a key's direct subkeys; false when they cannot all be listed.
bool ListSubkeyNames(HKEY key, std::vector<std::wstring>& names);

// Deletes the key behind the handle itself (opened with DELETE), never by name;
// fails when it still has subkeys.
bool DeleteOpenKey(HKEY key);

// Removes HKEY_CURRENT_USER\keyPath and everything in it; true when it is gone
// (also when it was never there). Subkeys are opened as themselves: a link inside
// is left in place, not followed, and so is every key above it; link gets the
// first link's path (also when the path itself holds one).
bool DeleteUserTree(std::string_view keyPath, REGSAM view, std::string& link);

}  // namespace install
