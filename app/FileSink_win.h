#pragma once
// Decoded bytes written into a file that is already open, as they come: the
// installation run streams each payload through one of these.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "storage/ByteSink.h"

namespace app {

class FileSink final : public storage::ByteSink {
public:
    explicit FileSink(HANDLE file) noexcept : file_(file) {}

    // Writes all count bytes; on failure keeps the Win32 error and refuses
    // every later chunk.
    bool Write(const std::uint8_t* bytes, std::size_t count) override;

    // NO_ERROR, or why a write failed (a write that takes nothing counts as a full disk).
    DWORD Error() const noexcept { return error_; }

private:
    HANDLE file_;
    DWORD error_ = NO_ERROR;
};

}  // namespace app
