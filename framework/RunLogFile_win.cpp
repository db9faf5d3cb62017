#include "framework/RunLogFile_win.h"

#include <windows.h>

#include "framework/FileErrorText.h"
#include "framework/WideText_win.h"

namespace framework {

RunLog RunLogFile::MakeLog() {
    HANDLE file = file_.Get();
    return RunLog(
        [file](std::string_view line) {
            DWORD written = 0;
            return ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                   written == line.size();
        },
        Utf8FromAnsi);
}

std::string LogFileErrorText(const std::string& path, unsigned long error) {
    return "The log file cannot be written:\n" + DescribeFileError(FileErrorKindFromWin32(error), path);
}

void WriteToStandardError(std::string_view text) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    const std::string line = std::string(text) + "\r\n";
    DWORD written = 0;
    ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace framework
