#pragma once
// The uninstaller's command line: the program's name, then the record name
// ("C:\WINDOWS\TKUNTOOL.EXE Pellumar", as the uninstall entry starts it).
#include <string>
#include <string_view>

namespace uninstaller {

// Everything after the program's name (quoted or not), without surrounding blanks;
// one pair of double quotes around all of it is taken off ("My Product" may be
// passed quoted). Empty when nothing follows the program's name.
std::string RecordFromCommandLine(std::string_view commandLine);

}  // namespace uninstaller
