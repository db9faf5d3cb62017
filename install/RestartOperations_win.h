#pragma once
// Work left to Windows for its next start: a file that a running program holds
// cannot be replaced or deleted now, but the session manager replaces or deletes
// it early in the next start, before any program runs. The operations are kept in
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\PendingFileRenameOperations
// and carried out in the order they were added: schedule a folder's files before
// the folder. Scheduling needs administrator rights and a local drive.
//
// The session manager acts on the path as it is spelled, at the next start: pass
// only a path whose every component the caller has just opened and checked for
// links (HoldPathBelow), in folders only administrators can change.
#include <cstdint>
#include <string>

namespace install {

// Moves newFile over target when Windows next starts (target replaced); newFile
// should lie in target's folder, so that the move is a rename on one volume. The
// system's error code, 0 when it is scheduled.
std::uint32_t ReplaceAtRestart(const std::string& newFile, const std::string& target);

// Deletes path (a file, or a folder that is empty by then) when Windows next
// starts. The system's error code, 0 when it is scheduled.
std::uint32_t DeleteAtRestart(const std::string& path);

// True for the errors that say another program has the file open or mapped (and
// a restart would free it): a sharing or lock violation, a mapped section, and
// access denied, which a running program's own file gives. The caller tells access
// denied apart when the file may not exist.
bool IsInUseError(std::uint32_t error);

}  // namespace install
