// The registry half of RegistryAccess: every key is held by a RegistryKey owner.
// Keys under HKEY_CURRENT_USER are opened without following registry links.
#include <windows.h>

#include <charconv>
#include <cstring>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"
#include "framework/WideText_win.h"
#include "install/RegistryAccess.h"
#include "install/RegistryKeys_win.h"
#include "install/RegistryRoot_win.h"
#include "install/UserKeys_win.h"

namespace install {

static_assert(StringValue == REG_SZ && ExpandStringValue == REG_EXPAND_SZ && BinaryValue == REG_BINARY &&
              DwordValue == REG_DWORD && MultiStringValue == REG_MULTI_SZ);

namespace {

// Opens root\keyPath (an existing key) with access; under HKEY_CURRENT_USER never
// through a registry link. The system's code, ERROR_ACCESS_DENIED for a link.
LONG OpenExisting(int root, const std::string& keyPath, REGSAM access, framework::RegistryKey& key) {
    if (root == CurrentUser) {
        UserKey user = OpenUserKey(keyPath, access, false);
        key = std::move(user.key);
        if (user.status == UserKeyStatus::Missing) return ERROR_FILE_NOT_FOUND;
        return user.status == UserKeyStatus::Opened ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    }
    const HKEY rootKey = RegistryRootKey(root);
    if (!rootKey) return ERROR_INVALID_HANDLE;
    HKEY raw = nullptr;
    const LONG opened = RegOpenKeyExW(rootKey, framework::WideText(keyPath).c_str(), 0, access, &raw);
    if (opened == ERROR_SUCCESS) key.Attach(raw);
    return opened;
}

// Opens the key for writing, creating it (and every missing key above it) when it
// cannot be opened.
framework::RegistryKey OpenForWriting(HKEY rootKey, const std::string& keyPath) {
    const std::wstring path = framework::WideText(keyPath);
    HKEY raw = nullptr;
    if (RegOpenKeyExW(rootKey, path.c_str(), 0, KEY_ALL_ACCESS, &raw) == ERROR_SUCCESS) {
        return framework::RegistryKey(raw);
    }
    raw = nullptr;
    wchar_t emptyClass[] = L"";
    if (RegCreateKeyExW(rootKey, path.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &raw, nullptr) == ERROR_SUCCESS) {
        return framework::RegistryKey(raw);
    }
    return framework::RegistryKey();
}

}  // namespace

const RegistryAccess::WrittenKey* RegistryAccess::Written(int root, std::string_view keyPath) const {
    for (const WrittenKey& written : writtenKeys_) {
        if (written.root == root && written.path == keyPath) return &written;
    }
    return nullptr;
}

HKEY RegistryAccess::KeyForWriting(int root, const std::string& keyPath) const {
    if (const WrittenKey* written = Written(root, keyPath)) return written->key;
    const HKEY rootKey = RegistryRootKey(root);
    if (!rootKey) return nullptr;
    if (root == CurrentUser) {
        UserKey user = OpenUserKey(keyPath, KEY_ALL_ACCESS, true);
        if (user.status == UserKeyStatus::Link) {
            // Refused once and remembered (no key): the values meant for it fail without another try.
            if (log_) {
                log_->Write("registry link", "HKCU\\" + user.link + " is a registry link; HKCU\\" + keyPath +
                                                 " was not written");
            }
            writtenKeys_.push_back({root, keyPath, framework::RegistryKey()});
            return nullptr;
        }
        if (!user.key) return nullptr;
        writtenKeys_.push_back({root, keyPath, std::move(user.key)});
        return writtenKeys_.back().key;
    }
    framework::RegistryKey key = OpenForWriting(rootKey, keyPath);
    if (!key) return nullptr;
    writtenKeys_.push_back({root, keyPath, std::move(key)});
    return writtenKeys_.back().key;
}

bool RegistryAccess::WriteValue(int root, std::string_view valuePath, DWORD type, const BYTE* data, DWORD size) const {
    std::string keyPath, valueName;
    SplitValuePath(valuePath, keyPath, valueName);
    const std::wstring name = framework::WideText(valueName);
    HKEY key = KeyForWriting(root, keyPath);
    LONG result = key ? RegSetValueExW(key, name.c_str(), 0, type, data, size) : ERROR_FILE_NOT_FOUND;
    if (result == ERROR_KEY_DELETED) {
        // Removed while it was kept open: made again by its name, as a first write would.
        std::erase_if(writtenKeys_, [&](const WrittenKey& written) { return written.key == key; });
        key = KeyForWriting(root, keyPath);
        result = key ? RegSetValueExW(key, name.c_str(), 0, type, data, size) : ERROR_FILE_NOT_FOUND;
    }
    return result == ERROR_SUCCESS;
}

bool RegistryAccess::WriteRegistryText(int root, std::string_view valuePath, std::string_view text) const {
    if (text.size() >= MAXDWORD / 4) return false;
    // Stored as UTF-16; c_str() supplies the terminating zero counted below.
    const std::wstring stored = framework::WideText(text);
    return Logged(WriteValue(root, valuePath, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                             static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t))),
                  root, valuePath, text);
}

bool RegistryAccess::WriteRegistryNumber(int root, std::string_view valuePath, std::int32_t number) const {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return WriteRegistryText(root, valuePath, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

bool RegistryAccess::WriteRegistryDword(int root, std::string_view valuePath, std::uint32_t number) const {
    const DWORD value = number;
    return Logged(WriteValue(root, valuePath, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value), root,
                  valuePath, std::to_string(number));
}

bool RegistryAccess::ReadRegistryText(int root, std::string_view valuePath, std::string& text) const {
    std::string keyPath, valueName;
    SplitValuePath(valuePath, keyPath, valueName);
    framework::RegistryKey key;
    if (OpenExisting(root, keyPath, KEY_READ, key) != ERROR_SUCCESS) return false;

    // 256 characters: a text as long as the system's paths and its zero.
    alignas(wchar_t) BYTE buffer[256 * sizeof(wchar_t)];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, framework::WideText(valueName).c_str(), nullptr, &type, buffer, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (size > sizeof buffer) size = sizeof buffer;
    return QueriedValueToText(buffer, size, type, text);
}

bool RegistryAccess::FlushRegistryKey(int root, std::string_view keyPath) const {
    const HKEY key = KeyForWriting(root, std::string(keyPath));
    return key && RegFlushKey(key) == ERROR_SUCCESS;
}

bool RegistryAccess::DeleteRegistryValue(int root, std::string_view valuePath) const {
    std::string keyPath, valueName;
    SplitValuePath(valuePath, keyPath, valueName);
    const std::wstring name = framework::WideText(valueName);
    // A key this object writes to is open already: removing a run's thousand
    // journal values then costs no opening each.
    if (const WrittenKey* written = Written(root, keyPath); written && written->key) {
        const LONG deleted = RegDeleteValueW(written->key, name.c_str());
        if (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) return true;
        if (deleted != ERROR_KEY_DELETED) return false;
    }
    framework::RegistryKey key;
    const LONG opened = OpenExisting(root, keyPath, KEY_SET_VALUE, key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG deleted = RegDeleteValueW(key, name.c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool RegistryAccess::DeleteRegistryKey(int root, std::string_view keyPath) const {
    writtenKeys_.clear();  // a key kept open might be the one removed, or below it
    return DeleteRegistryTree(root, keyPath);
}

}  // namespace install
