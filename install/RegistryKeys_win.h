#pragma once
// Registry helpers for reading and removing an uninstall record, beside
// RegistryAccess: values of any length, whole-key checks, and removal of a key
// only when nothing is left in it. Roots are RegistryAccess's numbers. Keys under
// HKEY_CURRENT_USER are opened without following registry links (UserKeys_win.h):
// a link on the path reads as a key that cannot be opened.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Handles_win.h"

namespace install {

// On 64-bit Windows, HKEY_LOCAL_MACHINE\SOFTWARE has a 64-bit and a 32-bit view
// (WOW6432Node): a program sees its own architecture's unless it asks for the
// other (KEY_WOW64_32KEY, KEY_WOW64_64KEY). A 32-bit and a 64-bit setup keep their
// records in different views, so the uninstaller, shared by both, looks in both.
// On 32-bit Windows both name the one registry.
enum class RegistryView { Own, Other };
inline constexpr RegistryView kBothViews[] = {RegistryView::Own, RegistryView::Other};

// RegistryAccess::RegistryValueToText for the bytes a W query gave: strings are
// UTF-16 there (up to their first zero) and become UTF-8.
bool QueriedValueToText(const std::uint8_t* bytes, std::size_t size, std::uint32_t type, std::string& text);

// Reads a value as text like RegistryAccess::ReadRegistryText, without its
// 256-byte limit (values up to 64 KB). Only REG_SZ, REG_EXPAND_SZ (unexpanded) and
// REG_DWORD give true; text is untouched when the result is false.
bool ReadRegistryValueText(int root, std::string_view valuePath, std::string& text,
                           RegistryView view = RegistryView::Own);

// Reads values of one key as ReadRegistryValueText does, through one handle opened
// at construction: a record's thousands of indexed values cost one open, not one
// each. A key that cannot be opened reads as holding no value.
class RegistryValueReader {
public:
    RegistryValueReader(int root, std::string_view keyPath, RegistryView view = RegistryView::Own);

    bool Read(std::string_view valueName, std::string& text) const;

private:
    framework::RegistryKey key_;
};

// True when the key exists and can be opened for reading.
bool RegistryKeyExists(int root, std::string_view keyPath, RegistryView view = RegistryView::Own);

// The names of a key's direct subkeys; false when the key cannot be opened.
bool ListRegistrySubkeys(int root, std::string_view keyPath, std::vector<std::string>& names,
                         RegistryView view = RegistryView::Own);

enum class KeyRemoval { Removed, Missing, NotEmpty, Failed };

// Deletes the key when it has neither values nor subkeys. An empty key path (the
// root itself) gives Failed.
KeyRemoval DeleteRegistryKeyIfEmpty(int root, std::string_view keyPath, RegistryView view = RegistryView::Own);

// Removes a key with all its values and subkeys; true when it is gone (also when
// it was never there). An empty key path (the root itself) is refused. Under
// HKEY_CURRENT_USER nothing is deleted through a registry link: a link on the path
// or inside stays, and *link (when given) gets its key path.
bool DeleteRegistryTree(int root, std::string_view keyPath, RegistryView view = RegistryView::Own,
                        std::string* link = nullptr);

// DeleteRegistryTree, and then each key above keyPath, up to (not including) the
// key stop, that it left empty: the keys that only existed to hold it.
bool DeleteRegistryTreeAndEmptyParents(int root, std::string_view keyPath, std::string_view stop,
                                       RegistryView view = RegistryView::Own, std::string* link = nullptr);

}  // namespace install
