#include "tools/tkds/PrivateTempFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>

namespace tkds {

PrivateTempFolder::~PrivateTempFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool PrivateTempFolder::Create(std::string& error) {
    std::error_code failed;
    std::filesystem::path base = std::filesystem::temp_directory_path(failed);
    if (failed) base = "/tmp";
    std::string pattern = (base / "tkds.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        error = "cannot make a temporary folder in " + base.string() + ": " + std::strerror(errno);
        return false;
    }
    path_ = pattern;
    return true;
}

}  // namespace tkds
