#pragma once
// The file behind a RunLog: created or emptied when opened, each line appended
// as it comes (a run that ends abruptly keeps what it logged). The path is the
// one given on the command line; the programs run elevated, so a link or a file
// with a second name (a hard link to another file) is refused, never emptied.
#include <string>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"

namespace framework {

class RunLogFile {
public:
    // False, with the Windows error in error, when the file cannot be used.
    bool Open(const std::string& path, unsigned long& error);
    // A RunLog writing to this file (which must outlive it), converting from the ANSI code page.
    RunLog MakeLog();

private:
    FileHandle file_;
};

// What a program says when the log file asked for cannot be used (error is
// Open's): "The log file cannot be written:" and the file error's description.
std::string LogFileErrorText(const std::string& path, unsigned long error);

// ANSI (the system code page) to UTF-8.
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace framework
