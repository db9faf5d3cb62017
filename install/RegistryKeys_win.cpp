#include "install/RegistryKeys_win.h"

#include <windows.h>

#include <cstring>

#include "framework/Handles_win.h"
#include "framework/WideText_win.h"
#include "install/RegistryAccess.h"
#include "install/RegistryRoot_win.h"
#include "install/UserKeys_win.h"

namespace install {

namespace {

constexpr DWORD kMaxValueBytes = 64 * 1024;

// The access flag that selects a view; none for the program's own.
REGSAM ViewFlag(RegistryView view) noexcept {
    if (view == RegistryView::Own) return 0;
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    return KEY_WOW64_64KEY;
#endif
}

// Opens root\keyPath in view; the owner is empty when it cannot be opened. *status
// gets the system's code. A key under HKEY_CURRENT_USER is never opened through a
// registry link (ERROR_ACCESS_DENIED).
framework::RegistryKey OpenKey(int root, std::string_view keyPath, REGSAM access, RegistryView view,
                               LONG* status = nullptr) {
    LONG opened = ERROR_INVALID_HANDLE;
    HKEY raw = nullptr;
    if (root == CurrentUser) {
        UserKey user = OpenUserKey(keyPath, access | ViewFlag(view), false);
        if (status) {
            *status = user.status == UserKeyStatus::Opened    ? ERROR_SUCCESS
                      : user.status == UserKeyStatus::Missing ? ERROR_FILE_NOT_FOUND
                                                              : ERROR_ACCESS_DENIED;
        }
        return std::move(user.key);
    }
    if (const HKEY rootKey = RegistryRootKey(root)) {
        opened = RegOpenKeyExW(rootKey, framework::WideText(keyPath).c_str(), 0, access | ViewFlag(view), &raw);
    }
    if (status) *status = opened;
    return framework::RegistryKey(opened == ERROR_SUCCESS ? raw : nullptr);
}

}  // namespace

bool QueriedValueToText(const std::uint8_t* bytes, std::size_t size, std::uint32_t type, std::string& text) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
        return RegistryAccess::RegistryValueToText(bytes, size, type, text);
    }
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    if (!wide.empty()) std::memcpy(wide.data(), bytes, wide.size() * sizeof(wchar_t));
    wide.resize(std::wcslen(wide.c_str()));  // up to the first zero, if there is one
    const std::string utf8 = framework::Utf8Text(wide);
    return RegistryAccess::RegistryValueToText(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), type,
                                               text);
}

RegistryValueReader::RegistryValueReader(int root, std::string_view keyPath, RegistryView view)
    : key_(OpenKey(root, keyPath, KEY_QUERY_VALUE, view)) {}

bool RegistryValueReader::Read(std::string_view valueName, std::string& text) const {
    if (!key_) return false;
    const std::wstring wideName = framework::WideText(valueName);
    std::string buffer(512, '\0');
    DWORD type = REG_NONE;
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const LONG queried = RegQueryValueExW(key_, wideName.c_str(), nullptr, &type,
                                              reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (queried == ERROR_MORE_DATA && size > buffer.size() && size <= kMaxValueBytes) {
            buffer.resize(size);
            continue;  // the value may grow between the calls; ask again with its size
        }
        if (queried != ERROR_SUCCESS) return false;
        buffer.resize(size);
        break;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_DWORD) return false;
    std::string converted;
    if (!QueriedValueToText(reinterpret_cast<const std::uint8_t*>(buffer.data()), buffer.size(), type, converted)) {
        return false;
    }
    text = std::move(converted);
    return true;
}

bool ReadRegistryValueText(int root, std::string_view valuePath, std::string& text, RegistryView view) {
    std::string keyPath, valueName;
    RegistryAccess::SplitValuePath(valuePath, keyPath, valueName);
    return RegistryValueReader(root, keyPath, view).Read(valueName, text);
}

bool RegistryKeyExists(int root, std::string_view keyPath, RegistryView view) {
    return static_cast<bool>(OpenKey(root, keyPath, KEY_READ, view));
}

bool ListRegistrySubkeys(int root, std::string_view keyPath, std::vector<std::string>& names, RegistryView view) {
    const framework::RegistryKey key = OpenKey(root, keyPath, KEY_ENUMERATE_SUB_KEYS, view);
    if (!key) return false;
    std::vector<std::wstring> wide;
    if (!ListSubkeyNames(key, wide)) return false;
    std::vector<std::string> found;
    for (const std::wstring& name : wide) found.push_back(framework::Utf8Text(name));
    names = std::move(found);
    return true;
}

KeyRemoval DeleteRegistryKeyIfEmpty(int root, std::string_view keyPath, RegistryView view) {
    const HKEY rootKey = RegistryRootKey(root);
    if (!rootKey || keyPath.empty()) return KeyRemoval::Failed;
    {
        LONG opened = ERROR_SUCCESS;
        const REGSAM access = KEY_QUERY_VALUE | (root == CurrentUser ? DELETE : 0);
        const framework::RegistryKey key = OpenKey(root, keyPath, access, view, &opened);
        if (opened == ERROR_FILE_NOT_FOUND) return KeyRemoval::Missing;
        if (!key) return KeyRemoval::Failed;
        DWORD subkeys = 0, values = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS) {
            return KeyRemoval::Failed;
        }
        if (subkeys != 0 || values != 0) return KeyRemoval::NotEmpty;
        // Deleted by its handle: the name might lead through a link made meanwhile.
        if (root == CurrentUser) return DeleteOpenKey(key) ? KeyRemoval::Removed : KeyRemoval::Failed;
    }
    const std::wstring path = framework::WideText(keyPath);
    // RegDeleteKeyExW never deletes a key that has subkeys, so one made in between survives.
    const LONG deleted = RegDeleteKeyExW(rootKey, path.c_str(), ViewFlag(view), 0);
    if (deleted == ERROR_SUCCESS) return KeyRemoval::Removed;
    return deleted == ERROR_FILE_NOT_FOUND ? KeyRemoval::Missing : KeyRemoval::Failed;
}

bool DeleteRegistryTree(int root, std::string_view keyPath, RegistryView view, std::string* link) {
    const HKEY rootKey = RegistryRootKey(root);
    if (!rootKey || keyPath.empty()) return false;
    if (root == CurrentUser) {
        std::string found;
        const bool removed = DeleteUserTree(keyPath, ViewFlag(view), found);
        if (link) *link = std::move(found);
        return removed;
    }
    {
        // Everything inside goes through a key opened in the view, then the key itself.
        LONG opened = ERROR_SUCCESS;
        const framework::RegistryKey key = OpenKey(root, keyPath, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE |
                                                                      KEY_SET_VALUE, view, &opened);
        if (opened == ERROR_FILE_NOT_FOUND) return true;
        if (!key || RegDeleteTreeW(key, nullptr) != ERROR_SUCCESS) return false;
    }
    const LONG deleted = RegDeleteKeyExW(rootKey, framework::WideText(keyPath).c_str(), ViewFlag(view), 0);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegistryTreeAndEmptyParents(int root, std::string_view keyPath, std::string_view stop, RegistryView view,
                                       std::string* link) {
    if (!DeleteRegistryTree(root, keyPath, view, link)) return false;
    std::string key(keyPath);
    while (true) {
        const auto slash = key.rfind('\\');
        if (slash == std::string::npos) return true;
        key.resize(slash);
        if (key.size() <= stop.size()) return true;
        const KeyRemoval removal = DeleteRegistryKeyIfEmpty(root, key, view);
        if (removal == KeyRemoval::NotEmpty || removal == KeyRemoval::Failed) return true;
    }
}

}  // namespace install
