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

// The permissions a newly created file gets: 0666 less the umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

StagedFile::~StagedFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool StagedFile::Create(const std::string& path, std::string& error) {
    const std::filesystem::path target(path);
    const std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    fd_ = ::mkstemp(temporary.data());
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    path_ = path;
    temporary_ = temporary.data();
    return true;
}

bool StagedFile::Commit(std::string& error) {
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
        error = std::strerror(failure);
        return false;
    }
    temporary_.clear();
    return true;
}

bool ReplaceFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    StagedFile staged;
    if (!staged.Create(path, error)) return false;
    if (!WriteAll(staged.Descriptor(), bytes)) {
        error = std::strerror(errno);
        return false;
    }
    return staged.Commit(error);
}

}  // namespace tkds
