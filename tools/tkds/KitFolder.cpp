#include "tools/tkds/KitFolder.h"

#include <system_error>

namespace tkds {

bool FindKitFolder(std::filesystem::path& folder, std::string& error) {
    std::error_code failure;
    // The program's real path, links resolved: a /usr/bin/tkds link still finds
    // the kit beside the program it points to.
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) {
        error = "cannot find the tkds program's own folder: " + failure.message();
        return false;
    }
    folder = program.parent_path().parent_path() / "share" / "tolvik-setup";
    return true;
}

}  // namespace tkds
