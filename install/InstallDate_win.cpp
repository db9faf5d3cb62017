#include <windows.h>

#include "install/InstallDate.h"

namespace install {

std::string TodayInstallDate() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return FormatInstallDate(now.wYear, now.wMonth, now.wDay);
}

}  // namespace install
