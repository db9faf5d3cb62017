#include "tools/tkds/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace tkds {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) data.insert(data.end(), chunk, chunk + n);
    if (std::ferror(file.get())) {
        error = std::strerror(errno);
        return false;
    }
    bytes = std::move(data);
    return true;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    if (path == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            error = std::strerror(errno);
            return false;
        }
        return true;
    }
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        error = std::strerror(errno);
        return false;
    }
    if (std::fclose(file.release()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace tkds
