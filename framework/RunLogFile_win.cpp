#include "framework/RunLogFile_win.h"

#include <windows.h>

#include <vector>

#include "framework/FileErrorText.h"

namespace framework {

RunLog RunLogFile::MakeLog() {
    HANDLE file = file_.Get();
    return RunLog(
        [file](std::string_view line) {
            DWORD written = 0;
            return ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                   written == line.size();
        },
        AnsiToUtf8);
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

std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int length = static_cast<int>(ansi.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (wide <= 0) return std::string(ansi);
    std::vector<wchar_t> utf16(static_cast<std::size_t>(wide));
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, utf16.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string(ansi);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace framework
