#pragma once
// Files written beside an output. ReplacementFile writes a file whole or not at
// all: the bytes go to a temporary file beside it, which is renamed over the path
// only when everything is written; a failure leaves no temporary file and whatever
// was at the path before. ScratchFile holds bytes that are too large for memory
// (a container on its way into a setup program) in a file without a name, which
// goes when it is closed.
#include <cstdint>
#include <span>
#include <string>

#include "storage/ByteStreams.h"

namespace tkds {

class ReplacementFile final : public storage::ByteSink {
public:
    ReplacementFile() = default;
    ~ReplacementFile() override;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts the temporary file beside path. False with the reason.
    bool Create(const std::string& path, std::string& error);
    bool Write(std::span<const std::uint8_t> bytes, std::string& error) override;
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override;
    // Makes the written bytes the file at path; without it the temporary file goes.
    bool Commit(std::string& error);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

class ScratchFile final : public storage::ByteSink, public storage::ByteSource {
public:
    ScratchFile() = default;
    ~ScratchFile() override;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Opens a new file without a name in folder. False with the reason.
    bool Create(const std::string& folder, std::string& error);
    bool Write(std::span<const std::uint8_t> bytes, std::string& error) override;
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override;
    // Reading starts at the first byte written; Size is what was written.
    std::uint64_t Size() const override { return size_; }
    bool Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) override;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t readAt_ = 0;
};

}  // namespace tkds
