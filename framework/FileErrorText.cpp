#include "framework/FileErrorText.h"

#include <array>

namespace framework {

namespace {
constexpr std::array<std::string_view, 15> kDescriptions = {
    "No error occurred.",
    "An unknown error occurred while accessing %1.",
    "%1 was not found.",
    "%1 contains an invalid path.",
    "%1 could not be opened because there are too many open files.",
    "Access to %1 was denied.",
    "An invalid file handle was associated with %1.",
    "%1 could not be removed because it is the current directory.",
    "%1 could not be created because the directory is full.",
    "Seek failed on %1",
    "A hardware I/O error was reported while accessing %1.",
    "A sharing violation occurred while accessing %1.",
    "A locking violation occurred while accessing %1.",
    "Disk full while accessing %1.",
    "An attempt was made to access %1 past its end.",
};
constexpr std::size_t kMaxDescription = 998;
}  // namespace

std::string DescribeFileError(FileErrorKind kind, std::string_view path) {
    auto index = static_cast<std::size_t>(kind);
    std::string_view pattern = index < kDescriptions.size() ? kDescriptions[index] : kDescriptions[1];
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '1') {
            text += path;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    if (text.size() > kMaxDescription) text.resize(kMaxDescription);
    return text;
}

}  // namespace framework
