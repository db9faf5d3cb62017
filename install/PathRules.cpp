#include "install/PathRules.h"

#include "framework/Utf8Units.h"
#include "install/NameRule.h"
#include "install/PathText.h"

namespace install {

namespace {

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

}  // namespace

std::optional<std::string> NormalizeLocalPath(std::string_view path) {
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) {
        return std::nullopt;
    }
    const char drive = (path[0] >= 'a' && path[0] <= 'z') ? static_cast<char>(path[0] - 'a' + 'A') : path[0];
    std::string normalized{drive, ':', '\\'};
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
        }
        position = end + 1;
    }
    if (framework::Utf16Length(normalized) > kMaxPathLength) return std::nullopt;
    return normalized;
}

namespace {

// Folding keeps every "\" where it is: the folded texts are compared part for part.
bool IsFoldedInside(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    // "C:\" already ends with its separator; any other folder needs one next.
    return folder.back() == '\\' || path[folder.size()] == '\\';
}

}  // namespace

bool IsInside(std::string_view path, std::string_view folder) {
    return IsFoldedInside(FoldedPath(path), FoldedPath(folder));
}

bool IsSameOrInside(std::string_view path, std::string_view folder) {
    const std::string foldedPath = FoldedPath(path);
    const std::string foldedFolder = FoldedPath(folder);
    return foldedPath == foldedFolder || IsFoldedInside(foldedPath, foldedFolder);
}

bool IsPlainName(std::string_view name) { return CheckName(name) == NameFault::None; }

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
        if (SamePathText(*normalized, kept)) return {{}, Refusal::SystemFolder};
    }
    return {std::move(*normalized), Refusal::None};
}

}  // namespace install
