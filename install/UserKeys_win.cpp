#include "install/UserKeys_win.h"

#include <vector>

#include "framework/WideText_win.h"

namespace install {

namespace {

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;
constexpr REGSAM kTreeAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;

enum class LinkCheck { NotLink, Link, Unknown };

LinkCheck CheckLink(HKEY key) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    const LONG queried = RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, &size);
    if (queried == ERROR_FILE_NOT_FOUND) return LinkCheck::NotLink;
    if (queried != ERROR_SUCCESS && queried != ERROR_MORE_DATA) return LinkCheck::Unknown;
    return type == REG_LINK ? LinkCheck::Link : LinkCheck::NotLink;
}

// Deletes every subkey of key (at path, for the report); false when one stays.
// Each is opened as itself: a link, or a key whose kind cannot be told, stays.
bool DeleteSubkeys(HKEY key, const std::string& path, REGSAM view, std::string& link) {
    std::vector<std::wstring> names;  // listed first: deleting while listing shifts the indices
    if (!ListSubkeyNames(key, names)) return false;
    bool allGone = true;
    for (const std::wstring& name : names) {
        HKEY raw = nullptr;
        const LONG opened = RegOpenKeyExW(key, name.c_str(), REG_OPTION_OPEN_LINK, kTreeAccess | view, &raw);
        if (opened == ERROR_FILE_NOT_FOUND) continue;
        if (opened != ERROR_SUCCESS) {
            allGone = false;
            continue;
        }
        const framework::RegistryKey child(raw);
        const std::string childPath = path + '\\' + framework::Utf8Text(name);
        const LinkCheck check = CheckLink(child);
        if (check != LinkCheck::NotLink) {
            if (check == LinkCheck::Link && link.empty()) link = childPath;
            allGone = false;
            continue;
        }
        if (!DeleteSubkeys(child, childPath, view, link) || !DeleteOpenKey(child)) allGone = false;
    }
    return allGone;
}

}  // namespace

bool ListSubkeyNames(HKEY key, std::vector<std::wstring>& names) {
    std::vector<std::wstring> found;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];  // key names are at most 255 characters
        DWORD length = 256;
        const LONG listed = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (listed == ERROR_NO_MORE_ITEMS) break;
        if (listed != ERROR_SUCCESS) return false;
        found.emplace_back(name, length);
    }
    names = std::move(found);
    return true;
}

bool IsRegistryLink(HKEY key) { return CheckLink(key) == LinkCheck::Link; }

UserKey OpenUserKey(std::string_view keyPath, REGSAM access, bool create) {
    UserKey result;
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= keyPath.size();) {
        std::size_t end = keyPath.find('\\', start);
        if (end == std::string_view::npos) end = keyPath.size();
        if (end > start) parts.push_back(keyPath.substr(start, end - start));
        start = end + 1;
    }
    const REGSAM view = access & kViewFlags;
    framework::RegistryKey current;
    if (parts.empty()) {
        HKEY raw = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"", 0, access | KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return result;
        result.key.Attach(raw);
        result.status = UserKeyStatus::Opened;
        return result;
    }
    for (std::size_t index = 0; index < parts.size(); ++index) {
        const bool last = index + 1 == parts.size();
        const REGSAM wanted =
            KEY_QUERY_VALUE | (last ? access : view | (create ? KEY_CREATE_SUB_KEY : 0));
        const HKEY parent = current ? current.Get() : HKEY_CURRENT_USER;
        const std::wstring name = framework::WideText(parts[index]);
        HKEY raw = nullptr;
        LONG opened = ERROR_SUCCESS;
        if (create) {
            // REG_OPTION_OPEN_LINK opens an existing link itself, as RegOpenKeyExW does.
            opened = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_OPEN_LINK,
                                     wanted, nullptr, &raw, nullptr);
        } else {
            opened = RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, wanted, &raw);
        }
        if (opened != ERROR_SUCCESS) {
            if (opened == ERROR_FILE_NOT_FOUND) result.status = UserKeyStatus::Missing;
            return result;
        }
        current = framework::RegistryKey(raw);
        const LinkCheck check = CheckLink(current);
        if (check == LinkCheck::Unknown) return result;
        if (check == LinkCheck::Link) {
            const auto linkEnd = static_cast<std::size_t>(parts[index].data() - keyPath.data()) + parts[index].size();
            result.link.assign(keyPath.substr(0, linkEnd));
            result.status = UserKeyStatus::Link;
            return result;
        }
    }
    result.key = std::move(current);
    result.status = UserKeyStatus::Opened;
    return result;
}

bool DeleteOpenKey(HKEY key) {
    // NtDeleteKey acts on the handle; the registry functions delete by name, which follows a link.
    using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const FARPROC found = ntdll ? GetProcAddress(ntdll, "NtDeleteKey") : nullptr;
    if (!found) return false;
    const auto deleteKey = reinterpret_cast<NtDeleteKeyFunction>(reinterpret_cast<void (*)()>(found));
    return deleteKey(key) >= 0;
}

bool DeleteUserTree(std::string_view keyPath, REGSAM view, std::string& link) {
    if (keyPath.empty()) return false;
    const UserKey top = OpenUserKey(keyPath, kTreeAccess | (view & kViewFlags), false);
    if (top.status == UserKeyStatus::Missing) return true;
    if (top.status == UserKeyStatus::Link) {
        link = top.link;
        return false;
    }
    if (top.status != UserKeyStatus::Opened) return false;
    return DeleteSubkeys(top.key, std::string(keyPath), view & kViewFlags, link) && DeleteOpenKey(top.key);
}

}  // namespace install
