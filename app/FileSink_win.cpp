#include "app/FileSink_win.h"

#include "install/RelativeOpen_win.h"

namespace app {

bool FileSink::Write(const std::uint8_t* bytes, std::size_t count) {
    if (error_ == NO_ERROR) error_ = install::WriteAll(file_, bytes, count);
    return error_ == NO_ERROR;
}

}  // namespace app
