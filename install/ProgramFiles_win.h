#pragma once
// The Program Files folder, as the system records it in the registry.
#include <optional>
#include <string>

namespace install {

inline constexpr char kProgramFilesValuePath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir";

// The registry's text, used as stored (an expandable string is not expanded);
// nothing when it cannot be read.
std::optional<std::string> ReadProgramFilesFolder();

// The same, or "C:\Program Files" when it cannot be read.
std::string ProgramFilesFolder();

}  // namespace install
