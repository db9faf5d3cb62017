#pragma once
// Checks the destination the user entered and creates every folder along it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace install {

// Missing: the folder is not there, and the call was not to make it.
enum class FolderCreation { Created, AlreadyExists, Missing, Failed };

// Makes one folder (the path ends in "\") and says what happened.
using MakeFolder = std::function<FolderCreation(const std::string& path)>;

// Accepts only a local path "X:\..." whose drive letter (either case) has its bit
// set in driveMask (bit 0 = A:) and none of whose parts is ".", ".." or ends in
// "." or a blank (the system would name another folder), then walks it part by part from the drive's root,
// making each folder. createdFolders is emptied first and then lists every folder
// this call made, outermost first, each ending in "\" and starting with the
// upper-cased drive letter. False when the path is refused or a folder can be
// neither made nor found existing; folders made before that stay, and stay listed.
bool CreateFolderPath(std::string_view path, std::vector<std::string>& createdFolders, std::uint32_t driveMask,
                      const MakeFolder& makeFolder);

// On Windows, HeldFolders_win.h gives the same with the system's drives, each
// folder opened or made without following links and held.

}  // namespace install
