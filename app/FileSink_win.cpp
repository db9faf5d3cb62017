#include "app/FileSink_win.h"

#include <algorithm>

namespace app {

bool FileSink::Write(const std::uint8_t* bytes, std::size_t count) {
    // One WriteFile takes at most a DWORD's worth; the decoder's chunks are far smaller.
    constexpr std::size_t kMostPerCall = 1u << 30;
    while (error_ == NO_ERROR && count > 0) {
        DWORD chunk = 0;
        if (!::WriteFile(file_, bytes, static_cast<DWORD>(std::min(count, kMostPerCall)), &chunk, nullptr) ||
            chunk == 0) {
            error_ = GetLastError();
            if (error_ == NO_ERROR) error_ = ERROR_DISK_FULL;
            break;
        }
        bytes += chunk;
        count -= chunk;
    }
    return error_ == NO_ERROR;
}

}  // namespace app
