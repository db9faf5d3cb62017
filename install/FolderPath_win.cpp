#include <windows.h>

#include "install/FolderPath.h"

namespace install {

bool CreateFolderPath(std::string_view path, std::vector<std::string>& createdFolders) {
    return CreateFolderPath(path, createdFolders, GetLogicalDrives(), [](const std::string& folder) {
        if (CreateDirectoryA(folder.c_str(), nullptr)) return FolderCreation::Created;
        return GetLastError() == ERROR_ALREADY_EXISTS ? FolderCreation::AlreadyExists : FolderCreation::Failed;
    });
}

}  // namespace install
