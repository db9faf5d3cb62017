#include "install/LinkFreePath.h"

#include "install/PathText.h"

namespace install {

namespace {

std::string_view WithoutTrailingSeparator(std::string_view path) noexcept {
    while (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
    return path;
}

}  // namespace

std::vector<std::string> PathSteps(std::string_view path, std::string_view base) {
    std::vector<std::string> steps;
    base = WithoutTrailingSeparator(base);
    path = WithoutTrailingSeparator(path);
    if (base.empty() || path.size() <= base.size() || !SamePathText(path.substr(0, base.size()), base)) return steps;
    // "C:\" holds its own separator; below any other base the next one must be "\".
    std::size_t position = base.size();
    if (base.back() != '\\') {
        if (path[position] != '\\') return steps;
        ++position;
    }
    while (position < path.size()) {
        std::size_t end = path.find('\\', position);
        if (end == std::string_view::npos) end = path.size();
        // A doubled "\\" names the same folder as a single one.
        if (end > position) steps.emplace_back(path.substr(0, end));
        position = end + 1;
    }
    return steps;
}

bool SameFinalPath(std::string_view finalPath, std::string_view expected) {
    if (finalPath.substr(0, 4) == "\\\\?\\") finalPath.remove_prefix(4);
    return SamePathText(WithoutTrailingSeparator(finalPath), WithoutTrailingSeparator(expected));
}

std::string FolderKey(std::string_view path) {
    std::string key;
    key.reserve(path.size() + 1);
    for (char c : path) {
        if (c == '/') c = '\\';
        if (c == '\\' && !key.empty() && key.back() == '\\') continue;
        key += c;
    }
    if (key.empty() || key.back() != '\\') key += '\\';
    return FoldedPath(key);
}

bool SplitLastPart(std::string_view path, std::string& parent, std::string& name) {
    path = WithoutTrailingSeparator(path);
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos || slash + 1 >= path.size()) return false;
    std::string_view above = path.substr(0, slash + 1);
    while (above.size() > 1 && above[above.size() - 2] == '\\') above.remove_suffix(1);
    parent = std::string(above);
    name = std::string(path.substr(slash + 1));
    return true;
}

}  // namespace install
