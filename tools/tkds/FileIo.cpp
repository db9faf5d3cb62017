#include "tools/tkds/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>

#include <filesystem>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tkds {

namespace {

bool AcceptInput(bool regular, std::uint64_t size, std::string& error) {
    if (!regular) {
        error = "not a regular file";
        return false;
    }
    if (size > kMaxInputFileBytes) {
        error = "larger than 4 GB (" + std::to_string(size) + " bytes)";
        return false;
    }
    return true;
}

}  // namespace

FilePtr OpenInputFile(const std::string& path, std::string& error) {
#ifdef _WIN32
    std::error_code failure;
    const auto status = std::filesystem::status(path, failure);
    if (failure) {
        error = failure.message();
        return nullptr;
    }
    const bool regular = std::filesystem::is_regular_file(status);
    if (!AcceptInput(regular, regular ? std::filesystem::file_size(path, failure) : 0, error)) return nullptr;
    FilePtr file(std::fopen(path.c_str(), "rb"));
#else
    // Opened without waiting, so that a pipe cannot block before it is refused;
    // the checks are made on what was opened, not on the name.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 ||
        !AcceptInput(S_ISREG(info.st_mode), static_cast<std::uint64_t>(info.st_size), error)) {
        if (error.empty()) error = std::strerror(errno);
        ::close(descriptor);
        return nullptr;
    }
    FilePtr file(::fdopen(descriptor, "rb"));
    if (!file) ::close(descriptor);
#endif
    if (!file) error = std::strerror(errno);
    return file;
}

bool FileSource::Open(const std::string& path, std::string& error) {
    file_ = OpenInputFile(path, error);
    if (!file_) return false;
#ifdef _WIN32
    const bool measured = _fseeki64(file_.get(), 0, SEEK_END) == 0 && _ftelli64(file_.get()) >= 0;
    if (measured) size_ = static_cast<std::uint64_t>(_ftelli64(file_.get()));
#else
    struct stat info {};
    const bool measured = ::fstat(::fileno(file_.get()), &info) == 0;
    if (measured) size_ = static_cast<std::uint64_t>(info.st_size);
#endif
    if (!measured || std::fseek(file_.get(), 0, SEEK_SET) != 0) {
        error = std::strerror(errno);
        file_.reset();
        return false;
    }
    return true;
}

bool FileSource::Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) {
    got = std::fread(buffer.data(), 1, buffer.size(), file_.get());
    if (got == 0 && std::ferror(file_.get())) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    FilePtr file = OpenInputFile(path, error);
    if (!file) return false;
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        // A file that grows while it is read still stops at the limit.
        if (data.size() + n > kMaxInputFileBytes) {
            error = "larger than 4 GB";
            return false;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
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
