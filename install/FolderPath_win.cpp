#include <windows.h>

#include "install/FolderPath.h"

namespace install {

bool CreateFolderPath(std::string_view path, std::vector<std::string>& createdFolders) {
    return CreateFolderPath(path, createdFolders, GetLogicalDrives(), [](const std::string& folder) {
        if (CreateDirectoryA(folder.c_str(), nullptr)) return FolderCreation::Created;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return FolderCreation::Failed;
        // A file of that name makes CreateDirectoryA say the same: only a folder will do.
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? FolderCreation::AlreadyExists
                   : FolderCreation::Failed;
    });
}

}  // namespace install
