#include "install/FolderPath.h"

namespace install {

namespace {

// A part the system does not take as written: "." and "..", or one ending in "."
// or a blank (the system drops those). Its folder would be logged in a spelling
// that names another folder, which the uninstaller rightly refuses to remove.
bool HasRewrittenPart(std::string_view path) {
    std::size_t start = 3;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty() && (part.back() == '.' || part.back() == ' ')) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool CreateFolderPath(std::string_view path, std::vector<std::string>& createdFolders, std::uint32_t driveMask,
                      const MakeFolder& makeFolder) {
    createdFolders.clear();
    if (path.substr(0, 2) == "\\\\") return false;  // no network paths
    if (path.size() < 3 || path.substr(1, 2) != ":\\") return false;
    if (path.find('\0') != std::string_view::npos) return false;
    if (HasRewrittenPart(path)) return false;

    char drive = path[0];
    if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
    if (drive < 'A' || drive > 'Z') return false;
    if ((driveMask >> (drive - 'A') & 1u) == 0) return false;

    std::string running{drive, ':', '\\'};
    std::size_t position = 3;
    while (true) {
        std::size_t end = path.find('\\', position);
        if (end == std::string_view::npos) end = path.size();
        running.append(path.substr(position, end - position));
        running += '\\';
        position = end + 1;

        switch (makeFolder(running)) {
            case FolderCreation::Created: createdFolders.push_back(running); break;
            case FolderCreation::AlreadyExists: break;
            case FolderCreation::Missing:
            case FolderCreation::Failed: return false;
        }
        if (position >= path.size()) return true;
    }
}

}  // namespace install
