#pragma once
// Writes a file whole or not at all: the bytes go to a temporary file beside it,
// which is renamed over the path only when everything is written. A failure leaves
// no temporary file and whatever was at the path before.
#include <cstdint>
#include <span>
#include <string>

namespace tkds {

// A temporary file beside a path, written through its descriptor and renamed
// over the path by Commit; removed when the object goes without a commit.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside path; false with the reason.
    bool Create(const std::string& path, std::string& error);
    int Descriptor() const noexcept { return fd_; }
    // Gives it the usual permissions, flushes it to disk and renames it over the path.
    bool Commit(std::string& error);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

bool ReplaceFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace tkds
