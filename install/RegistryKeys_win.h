#pragma once
// Registry helpers for reading and removing an uninstall record, beside
// RegistryAccess: values of any length, whole-key checks, and removal of a key
// only when nothing is left in it. Roots are RegistryAccess's numbers.
#include <string>
#include <string_view>
#include <vector>

namespace install {

// Reads a value as text like RegistryAccess::ReadRegistryText, without its
// 256-byte limit (values up to 64 KB). Only REG_SZ, REG_EXPAND_SZ (unexpanded) and
// REG_DWORD give true; text is untouched when the result is false.
bool ReadRegistryValueText(int root, std::string_view valuePath, std::string& text);

// True when the key exists and can be opened for reading.
bool RegistryKeyExists(int root, std::string_view keyPath);

// The names of a key's direct subkeys; false when the key cannot be opened.
bool ListRegistrySubkeys(int root, std::string_view keyPath, std::vector<std::string>& names);

enum class KeyRemoval { Removed, Missing, NotEmpty, Failed };

// Deletes the key when it has neither values nor subkeys. An empty key path (the
// root itself) gives Failed.
KeyRemoval DeleteRegistryKeyIfEmpty(int root, std::string_view keyPath);

}  // namespace install
