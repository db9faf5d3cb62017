#include "tools/tkds/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace tkds {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// Readable too: make reads back the payload stream it wrote to sum the PE checksum.
constexpr int kCreateFlags = _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY;
constexpr int kCreateMode = _S_IREAD | _S_IWRITE;
int WriteSome(int fd, const std::uint8_t* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
int SyncFile(int fd) { return ::_commit(fd); }
std::int64_t SeekFile(int fd, std::int64_t offset, int whence) { return ::_lseeki64(fd, offset, whence); }
int CloseFile(int fd) { return ::_close(fd); }
int CreateNewFile(const std::string& path) { return ::_open(path.c_str(), kCreateFlags, kCreateMode); }
#else
// O_NOFOLLOW as well: should the fresh name be a link by now, it is refused.
// Readable too: make reads back the payload stream it wrote to sum the PE checksum.
constexpr int kCreateFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr mode_t kCreateMode = 0666;  // less the umask, as any new file
ssize_t WriteSome(int fd, const std::uint8_t* data, std::size_t size) { return ::write(fd, data, size); }
int SyncFile(int fd) { return ::fsync(fd); }
std::int64_t SeekFile(int fd, std::int64_t offset, int whence) { return ::lseek(fd, static_cast<off_t>(offset), whence); }
int CloseFile(int fd) { return ::close(fd); }
int CreateNewFile(const std::string& path) { return ::open(path.c_str(), kCreateFlags, kCreateMode); }

// The kernel's own file systems: their files claim to be regular files but hold
// the state of processes and devices.
bool IsKernelFileSystem(int descriptor) {
    struct statfs info {};
    if (::fstatfs(descriptor, &info) != 0) return false;
    switch (static_cast<unsigned long>(info.f_type)) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case EFIVARFS_MAGIC:
        case DEVPTS_SUPER_MAGIC: return true;
        default: return false;
    }
}

// The folder of the system's own files (/proc, /sys, /dev) that a resolved path
// lies in: empty when none.
std::string_view SystemFolderOf(std::string_view real) {
    for (std::string_view folder : {"/proc", "/sys", "/dev"}) {
        if (real.starts_with(folder) && (real.size() == folder.size() || real[folder.size()] == '/')) return folder;
    }
    return {};
}

// The path the kernel keeps for an open descriptor, links resolved; empty when
// it cannot be read (no /proc mounted).
std::string PathOfDescriptor(int descriptor) {
    char buffer[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer);
    return length > 0 && length < static_cast<ssize_t>(sizeof buffer) ? std::string(buffer, static_cast<std::size_t>(length))
                                                                       : std::string();
}
#endif

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

// Makes a new file with a fresh name beside target; its descriptor, or -1 with errno set.
int CreateTemporaryBeside(const fs::path& target, std::string& temporary) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(entropy()));
        temporary = (target.parent_path() / ("." + target.filename().string() + suffix + ".tmp")).string();
        const int fd = CreateNewFile(temporary);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteStandardOutput(std::span<const std::uint8_t> bytes, std::string& error) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

FilePtr OpenInputFile(const std::string& path, std::string& error) {
#ifdef _WIN32
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return nullptr;
    }
    // Judged on what was opened: a device name such as NUL opens but is no file.
    struct _stat64 info {};
    if (::_fstat64(_fileno(file.get()), &info) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    if (!AcceptInput((info.st_mode & _S_IFMT) == _S_IFREG, static_cast<std::uint64_t>(info.st_size), error)) {
        return nullptr;
    }
#else
    // Opened without waiting, so that a pipe cannot block before it is refused;
    // the checks are made on what was opened, not on the name.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    bool accepted = false;
    if (::fstat(descriptor, &info) != 0) {
        error = std::strerror(errno);
    } else if (AcceptInput(S_ISREG(info.st_mode), static_cast<std::uint64_t>(info.st_size), error)) {
        const std::string real = PathOfDescriptor(descriptor);
        if (const std::string_view folder = SystemFolderOf(real); !folder.empty()) {
            error = "it is " + real + ", in " + std::string(folder) +
                    ": inputs are regular files outside /proc, /sys and /dev";
        } else if (IsKernelFileSystem(descriptor)) {
            error = "a file of the kernel (like those in /proc and /sys), not a regular file";
        } else {
            accepted = true;
        }
    }
    if (!accepted) {
        ::close(descriptor);
        return nullptr;
    }
    FilePtr file(::fdopen(descriptor, "rb"));
    if (!file) {
        error = std::strerror(errno);
        ::close(descriptor);
    }
#endif
    return file;
}

bool WriteToDescriptor(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto written = WriteSome(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
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

bool FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset > size_ || buffer.size() > size_ - offset) return false;
#ifdef _WIN32
    const bool placed = _fseeki64(file_.get(), static_cast<long long>(offset), SEEK_SET) == 0;
#else
    const bool placed = ::fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    return placed && std::fread(buffer.data(), 1, buffer.size(), file_.get()) == buffer.size();
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

StagedFile::~StagedFile() {
    if (fd_ >= 0) CloseFile(fd_);
    if (!temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

bool StagedFile::Create(const std::string& path, std::string& error) {
    const fs::path target(path);
    std::error_code failure;
    const fs::file_status status = fs::symlink_status(target, failure);
    if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_symlink(status)) {
        error = "it exists and is not a file";
        return false;
    }
    if (target.filename().empty()) {
        error = "it names a folder, not a file";
        return false;
    }
#ifndef _WIN32
    // The kernel's folders take no outputs: a link such as /dev/stdout would be
    // replaced by a file there.
    const fs::path folder = fs::weakly_canonical(fs::absolute(target, failure).parent_path(), failure);
    if (!failure && !SystemFolderOf(folder.string()).empty()) {
        error = "outputs go to files outside /proc, /sys and /dev (- writes to standard output)";
        return false;
    }
#endif
    fd_ = CreateTemporaryBeside(target, temporary_);
    if (fd_ < 0) {
        temporary_.clear();
        error = "cannot make a new file beside it: " + std::string(std::strerror(errno));
        return false;
    }
    path_ = path;
    return true;
}

bool StagedFile::Write(std::span<const std::uint8_t> bytes, std::string& error) {
    if (WriteToDescriptor(fd_, bytes)) return true;
    error = std::strerror(errno);
    return false;
}

bool StagedFile::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) {
    // Writes at offset, then goes back to the end, where Write goes on.
    const auto end = SeekFile(fd_, 0, SEEK_END);
    if (end < 0 || SeekFile(fd_, static_cast<std::int64_t>(offset), SEEK_SET) < 0 || !WriteToDescriptor(fd_, bytes) ||
        SeekFile(fd_, end, SEEK_SET) < 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool StagedFile::Commit(std::string& error) {
    bool ok = SyncFile(fd_) == 0;
    std::string reason = ok ? std::string() : std::strerror(errno);
    if (CloseFile(std::exchange(fd_, -1)) != 0 && ok) {
        ok = false;
        reason = std::strerror(errno);
    }
    if (ok) {
        // A rename replaces a link at the target; it never writes where the link points.
        std::error_code failure;
        fs::rename(temporary_, path_, failure);
        if (failure) {
            ok = false;
            reason = failure.message();
        }
    }
    if (!ok) {
        error = reason;
        return false;
    }
    temporary_.clear();
    return true;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    if (path == "-") return WriteStandardOutput(bytes, error);
    StagedFile staged;
    if (!staged.Create(path, error)) return false;
    return staged.Write(bytes, error) && staged.Commit(error);
}

}  // namespace tkds
