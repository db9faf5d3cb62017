#pragma once
// The box an interactive setup shows when running programs hold files it must
// replace. The run asks the Restart Manager (install/RestartManager_win.h) which
// programs hold the files, and, when it lists some, calls AskAboutFilesInUse on
// the window's thread (SetupDialog::OnWindowThread) with the main window as owner:
//   TryAgain   the user closed them: the run asks the session again;
//   CloseThem  the run closes them (CloseHoldingPrograms), writes the files and
//              starts them again at its end (RestartClosedPrograms);
//   Cancel     the run stops as after any failure.
// A run that may show no box (/S, /PASSIVE) never asks: it closes the programs
// when the command line says /CLOSEAPPLICATIONS, and otherwise replaces the files
// when Windows next starts and ends with kEndInstalledRestartNeeded.
#include <windows.h>

#include <string>
#include <vector>

namespace app {

enum class FilesInUseChoice { TryAgain, CloseThem, Cancel };

// programs: the names of the programs that hold the files (UTF-8), not empty.
// Closing the box (Esc) is Cancel.
FilesInUseChoice AskAboutFilesInUse(HWND owner, const std::vector<std::string>& programs);

}  // namespace app
