#pragma once
// The Program Files folder, as the system records it in the registry, and the
// current user's own programs folder.
#include <optional>
#include <string>

namespace install {

inline constexpr char kProgramFilesValuePath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir";

// The registry's text, used as stored (an expandable string is not expanded);
// nothing when it cannot be read.
std::optional<std::string> ReadProgramFilesFolder();

// The same, or "C:\Program Files" when it cannot be read.
std::string ProgramFilesFolder();

// The current user's programs folder (the system's known folder UserProgramFiles,
// "%LOCALAPPDATA%\Programs" unless moved), as the shell names it; the local
// application data folder + "\Programs" when the shell knows no such folder;
// empty when neither can be told.
std::string UserProgramFilesFolder();

}  // namespace install
