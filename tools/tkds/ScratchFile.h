#pragma once
// Bytes that are too large for memory (a container on its way into a setup
// program) held in a file without a name, which goes when it is closed.
#include <cstdint>
#include <span>
#include <string>

#include "storage/ByteStreams.h"

namespace tkds {

class ScratchFile final : public storage::PatchableSink, public storage::ByteSource {
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
