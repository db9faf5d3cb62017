#pragma once
// Where tkds finds the kit that "make" and "new" use: ../share/tolvik-setup/
// beside the tkds program itself, which holds both where the kit is installed
// (PREFIX/bin/tkds, PREFIX/share/tolvik-setup/) and in the build tree
// (build/native/bin/tkds, build/native/share/tolvik-setup/).
#include <filesystem>
#include <string>

namespace tkds {

inline constexpr const char* kKitStubs = "stubs";
inline constexpr const char* kKitSample = "sample";

// False with a reason when the running program's own path cannot be found.
bool FindKitFolder(std::filesystem::path& folder, std::string& error);

}  // namespace tkds
