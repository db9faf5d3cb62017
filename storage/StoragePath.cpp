#include "storage/StoragePath.h"

namespace storage {

std::vector<std::string_view> SplitPath(std::string_view path, char separator) {
    std::vector<std::string_view> segments;
    std::size_t start = 0;
    for (std::size_t dot = path.find(separator); dot != std::string_view::npos;
         dot = path.find(separator, start)) {
        if (dot > start) segments.push_back(path.substr(start, dot - start));
        start = dot + 1;
    }
    segments.push_back(path.substr(start));
    return segments;
}

}  // namespace storage
