#include "tools/tkds/ScratchFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {

ScratchFile::~ScratchFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ScratchFile::Create(const std::string& folder, std::string& error) {
    // A file without a name from the start where the system can make one; else a
    // fresh name made exclusively and removed at once.
    const std::string place = folder.empty() ? "." : folder;
    fd_ = ::open(place.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) return true;
    std::string pattern = (std::filesystem::path(place) / ".tkds-scratch.XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    ::unlink(name.data());
    return true;
}

bool ScratchFile::Write(std::span<const std::uint8_t> bytes, std::string& error) {
    if (!WriteAt(fd_, size_, bytes.data(), bytes.size(), error)) return false;
    size_ += bytes.size();
    return true;
}

bool ScratchFile::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) {
    return WriteAt(fd_, offset, bytes.data(), bytes.size(), error);
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
