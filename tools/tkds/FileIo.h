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

// Opens path for reading when it is a regular file of at most kMaxInputFileBytes:
// a device such as /dev/zero would be read forever and a pipe can block for good.
// Null with the reason otherwise.
FilePtr OpenInputFile(const std::string& path, std::string& error);

// Such a file read in chunks, for data that need not be in memory whole.
class FileSource final : public storage::ByteSource {
public:
    // False with the reason when OpenInputFile refuses the file.
    bool Open(const std::string& path, std::string& error);
    std::uint64_t Size() const override { return size_; }
    bool Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) override;

private:
    FilePtr file_;
    std::uint64_t size_ = 0;
};

// The whole of such a file.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

// "-" writes to standard output.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace tkds
