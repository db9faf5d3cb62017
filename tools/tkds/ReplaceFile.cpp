#include "tools/tkds/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tkds {

namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool WriteAllAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

// A new file of a fresh name made from pattern (ending in XXXXXX); -1 with the reason.
int MakeTemporary(const std::string& pattern, std::string& name, std::string& error) {
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    name = temporary.data();
    return fd;
}

// The permissions a newly created file gets: 0666 less the umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

ReplacementFile::~ReplacementFile() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(temporary_.c_str());
}

bool ReplacementFile::Create(const std::string& path, std::string& error) {
    const std::filesystem::path target(path);
    path_ = path;
    fd_ = MakeTemporary((target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string(), temporary_,
                        error);
    return fd_ >= 0;
}

bool ReplacementFile::Write(std::span<const std::uint8_t> bytes, std::string& error) {
    if (WriteAll(fd_, bytes)) return true;
    error = std::strerror(errno);
    return false;
}

bool ReplacementFile::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) {
    if (WriteAllAt(fd_, offset, bytes)) return true;
    error = std::strerror(errno);
    return false;
}

bool ReplacementFile::Commit(std::string& error) {
    bool ok = ::fchmod(fd_, NewFileMode()) == 0 && ::fsync(fd_) == 0;
    int failure = errno;
    if (::close(fd_) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    fd_ = -1;
    if (ok && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temporary_.c_str());
        error = std::strerror(failure);
    }
    return ok;
}

ScratchFile::~ScratchFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ScratchFile::Create(const std::string& folder, std::string& error) {
    std::string name;
    fd_ = MakeTemporary((std::filesystem::path(folder.empty() ? "." : folder) / ".tkds-scratch.XXXXXX").string(), name,
                        error);
    if (fd_ < 0) return false;
    ::unlink(name.c_str());
    return true;
}

bool ScratchFile::Write(std::span<const std::uint8_t> bytes, std::string& error) {
    if (!WriteAllAt(fd_, size_, bytes)) {
        error = std::strerror(errno);
        return false;
    }
    size_ += bytes.size();
    return true;
}

bool ScratchFile::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) {
    if (WriteAllAt(fd_, offset, bytes)) return true;
    error = std::strerror(errno);
    return false;
}

bool ScratchFile::Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) {
    got = 0;
    const std::uint64_t left = size_ - readAt_;
    const std::size_t want = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
    ssize_t n = 0;
    do {
        n = ::pread(fd_, buffer.data(), want, static_cast<off_t>(readAt_));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        error = std::strerror(errno);
        return false;
    }
    got = static_cast<std::size_t>(n);
    readAt_ += got;
    return true;
}

}  // namespace tkds
