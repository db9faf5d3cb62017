#include "framework/RunLogFile_win.h"

#include <windows.h>

#include <vector>

#include "framework/FileErrorText.h"
#include "framework/WideText_win.h"

namespace framework {

bool RunLogFile::Open(const std::string& path, unsigned long& error) {
    // OPEN_ALWAYS, not CREATE_ALWAYS: an existing file is emptied only after it is
    // known to be a plain file of one name.
    FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        error = GetLastError();
        return false;
    }
    if ((information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        information.nNumberOfLinks > 1) {
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
        error = GetLastError();
        return false;
    }
    file_ = std::move(file);
    return true;
}

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
