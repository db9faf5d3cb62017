#pragma once
// The folders of this system that an uninstall needs: where the installation put
// its shortcuts and which folders no uninstall log may name.
#include <string>

#include "install/PathRules.h"

namespace uninstaller {

struct SystemFolders {
    std::string windowsFolder;         // GetSystemWindowsDirectory
    // Where "DF" shortcuts and the "SGroup" program group are: the all-users
    // desktop and Start-menu Programs folder, where an elevated installation puts
    // them, and the user's own, where older installations did and a current
    // user's installation does.
    std::string commonDesktopFolder;
    std::string commonProgramsFolder;
    std::string desktopFolder;
    std::string programsFolder;
    // The user's temporary folder (GetTempPath): where a current user's uninstaller
    // parks its own file to leave the product's folder.
    std::string temporaryFolder;
    install::ProtectedFolders protectedFolders;
};

// Asks the system. A folder that cannot be looked up stays empty.
SystemFolders LookUpSystemFolders();

// The long form of a path that contains short ("PROGRA~1") parts and exists;
// any other path is returned unchanged.
std::string ExpandShortNames(const std::string& path);

}  // namespace uninstaller
