#include "install/RestartOperations_win.h"

#include <windows.h>

#include "framework/WideText_win.h"

namespace install {

std::uint32_t ReplaceAtRestart(const std::string& newFile, const std::string& target) {
    const std::wstring from = framework::WideText(newFile);
    const std::wstring to = framework::WideText(target);
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) return 0;
    return GetLastError();
}

std::uint32_t DeleteAtRestart(const std::string& path) {
    // No new name: the session manager deletes it.
    if (MoveFileExW(framework::WideText(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return 0;
    return GetLastError();
}

bool IsInUseError(std::uint32_t error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
        case ERROR_ACCESS_DENIED:
            return true;
        default:
            return false;
    }
}

}  // namespace install
