#pragma once
// Whole-file reads and writes for the tool, with the reason on failure.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "storage/ByteStreams.h"

namespace tkds {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Nothing larger fits in a node (its sizes are 32-bit) or in a container.
inline constexpr std::uint64_t kMaxInputFileBytes = 0xFFFFFFFF;

// Opens path for reading when what it names is a regular file of at most
// kMaxInputFileBytes that lies outside /proc, /sys and /dev: a device such as
// /dev/zero would be read forever, a pipe can block for good, and the kernel's
// files (/proc/self/environ) would pack the tool's own environment into a setup.
// The checks are made on the opened file, never on the name a second time.
// Null with the reason otherwise.
FilePtr OpenInputFile(const std::string& path, std::string& error);

// Such a file read in chunks, for data that need not be in memory whole.
class FileSource final : public storage::ByteSource {
public:
    // False with the reason when OpenInputFile refuses the file.
    bool Open(const std::string& path, std::string& error);
    std::uint64_t Size() const override { return size_; }
    bool Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) override;
    // Exactly buffer.size() bytes from the absolute offset; later reads go on from
    // there. False on an error or a short read.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);

private:
    FilePtr file_;
    std::uint64_t size_ = 0;
};

// The whole of such a file.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

// Writes all of bytes to an open descriptor; false with errno set.
bool WriteToDescriptor(int fd, std::span<const std::uint8_t> bytes);

// A new file made exclusively beside a path (never through a link), written
// through its descriptor and renamed over the path by Commit: a link at the path
// is replaced, not followed. Removed when the object goes without a commit. An
// existing path that is neither a file nor a link (a folder, a device, a pipe),
// or one in /proc, /sys or /dev, is refused by Create.
class StagedFile final : public storage::PatchableSink {
public:
    StagedFile() = default;
    ~StagedFile() override;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // False with the reason.
    bool Create(const std::string& path, std::string& error);
    int Descriptor() const noexcept { return fd_; }
    // Appends bytes; false with the reason.
    bool Write(std::span<const std::uint8_t> bytes, std::string& error) override;
    // Overwrites bytes already written at offset; later writes still append.
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override;
    // Flushes the file to disk and renames it over the path; false with the reason.
    bool Commit(std::string& error);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

// Writes the file whole or not at all, never through a link: the bytes go to a
// new file made exclusively beside path, which is renamed over path once they
// are all written (a link at path is replaced, not followed). A failure leaves
// whatever was at path before and no temporary file. An existing path that is
// neither a file nor a link (a folder, a device, a pipe) is refused. "-" writes
// to standard output.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace tkds
