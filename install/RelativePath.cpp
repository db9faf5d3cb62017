#include "install/RelativePath.h"

namespace install {

bool IsContainedRelativePath(std::string_view path) {
    if (path.empty()) return false;
    if (path.find_first_of(std::string_view(":\0", 2)) != std::string_view::npos) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (part.empty() || part == "..") return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace install
