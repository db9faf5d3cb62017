#pragma once
// The uninstaller in the Windows folder is shared by every product installed with
// any kit, of either architecture: an installation writes its own copy only when
// that is not older than the one already there, so that a setup made with an older
// kit never brings back an older uninstaller for the products installed since.
#include <cstdint>
#include <span>
#include <string>

namespace install {

// True when the program at path has a newer file version (ProgramFileVersion.h)
// than newProgram, the bytes the installation carries: the installed file is then
// kept. False (write it) for an older or equal version, a missing file, one
// without a readable version, and a link at path, which is opened, never followed
// (the writer refuses it with its own message). A new program without a readable
// version counts as older than any installed one that has one.
bool InstalledProgramIsNewer(const std::string& path, std::span<const std::uint8_t> newProgram);

}  // namespace install
