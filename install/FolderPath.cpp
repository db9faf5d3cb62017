#include "install/FolderPath.h"

namespace install {

bool CreateFolderPath(std::string_view path, std::vector<std::string>& createdFolders, std::uint32_t driveMask,
                      const MakeFolder& makeFolder) {
    createdFolders.clear();
    if (path.substr(0, 2) == "\\\\") return false;  // no network paths
    if (path.size() < 3 || path.substr(1, 2) != ":\\") return false;
    if (path.find('\0') != std::string_view::npos) return false;

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
            case FolderCreation::Failed: return false;
        }
        if (position >= path.size()) return true;
    }
}

}  // namespace install
