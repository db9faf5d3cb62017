#include "uninstaller/PathRules.h"

#include "install/NameRule.h"

namespace uninstaller {

namespace {

char FoldCase(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDriveLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Characters that no file or folder name may hold (":" is checked by position).
bool IsForbiddenCharacter(char c) noexcept {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20) return true;
    switch (c) {
        case '"': case '*': case '<': case '>': case '?': case '|': return true;
        default: return false;
    }
}

// A part the system would not take literally: ".", "..", or one ending in "." or " ".
bool IsRewrittenPart(std::string_view part) noexcept {
    return !part.empty() && (part.back() == '.' || part.back() == ' ');
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) noexcept {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> NormalizeLocalPath(std::string_view path) {
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) {
        return std::nullopt;
    }
    std::string normalized{FoldCase(path[0]), ':', '\\'};
    std::size_t position = 3;
    while (position <= path.size()) {
        std::size_t end = position;
        while (end < path.size() && path[end] != '\\' && path[end] != '/') ++end;
        const std::string_view part = path.substr(position, end - position);
        if (!part.empty()) {
            if (IsRewrittenPart(part)) return std::nullopt;
            for (char c : part) {
                if (c == ':' || IsForbiddenCharacter(c)) return std::nullopt;
            }
            if (normalized.size() > 3) normalized += '\\';
            normalized += part;
            if (normalized.size() > kMaxPathLength) return std::nullopt;
        }
        position = end + 1;
    }
    return normalized;
}

bool SamePath(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithFolded(a, b); }

bool IsInside(std::string_view path, std::string_view folder) {
    if (path.size() <= folder.size() || !StartsWithFolded(path, folder)) return false;
    // "C:\" already ends with its separator; any other folder needs one next.
    return folder.back() == '\\' || path[folder.size()] == '\\';
}

bool IsSameOrInside(std::string_view path, std::string_view folder) {
    return SamePath(path, folder) || IsInside(path, folder);
}

bool IsPlainName(std::string_view name) { return install::CheckName(name) == install::NameFault::None; }

PathRules::PathRules(const ProtectedFolders& folders) : windows_(NormalizeLocalPath(folders.windowsFolder)) {
    for (const auto& folder : folders.systemFolders) {
        if (auto normalized = NormalizeLocalPath(folder)) protected_.push_back(std::move(*normalized));
    }
    if (windows_) protected_.push_back(*windows_);
}

bool PathRules::TouchesWindows(std::string_view folder) const {
    // Without a known Windows folder nothing can be shown to lie outside it.
    if (!windows_) return true;
    return IsSameOrInside(*windows_, folder) || IsInside(folder, *windows_);
}

bool PathRules::IsProtected(std::string_view folder) const {
    for (const auto& kept : protected_) {
        if (IsSameOrInside(kept, folder)) return true;
    }
    return false;
}

Verdict PathRules::CheckFolder(std::string_view value) const {
    auto normalized = NormalizeLocalPath(value);
    if (!normalized) return {{}, Refusal::NotLocalPath};
    if (normalized->size() == 3) return {{}, Refusal::DriveRoot};
    if (TouchesWindows(*normalized) || IsProtected(*normalized)) return {{}, Refusal::SystemFolder};
    return {std::move(*normalized), Refusal::None};
}

Verdict PathRules::CheckFile(std::string_view value) const {
    auto normalized = NormalizeLocalPath(value);
    // A value ending in "\" names a folder, not a file.
    if (!normalized || normalized->size() == 3 || value.back() == '\\' || value.back() == '/') {
        return {{}, Refusal::NotLocalPath};
    }
    if (!windows_ || IsInside(*normalized, *windows_)) return {{}, Refusal::SystemFolder};
    for (const auto& kept : protected_) {
        if (SamePath(*normalized, kept)) return {{}, Refusal::SystemFolder};
    }
    return {std::move(*normalized), Refusal::None};
}

}  // namespace uninstaller
