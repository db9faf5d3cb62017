#pragma once
// The file behind a RunLog: each line appended as it comes (a run that ends
// abruptly keeps what it logged). The file is opened by whoever knows where it
// may lie (the elevated programs open it below held folders, install/LogFile_win.h)
// and handed over here.
#include <string>

#include "framework/Handles_win.h"
#include "framework/RunLog.h"

namespace framework {

class RunLogFile {
public:
    // Takes the open file (opened for writing, emptied) for the rest of the run.
    void Use(FileHandle file) noexcept { file_ = std::move(file); }
    // A RunLog writing to this file (which must outlive it), converting from the ANSI code page.
    RunLog MakeLog();

private:
    FileHandle file_;
};

// What a program says when the log file asked for cannot be used (error is the
// system's): "The log file cannot be written:" and the file error's description.
std::string LogFileErrorText(const std::string& path, unsigned long error);

// Writes text and a line end to the standard error handle the program was given,
// in UTF-8; nothing when it has none (a program started from a desktop).
void WriteToStandardError(std::string_view text);

}  // namespace framework
