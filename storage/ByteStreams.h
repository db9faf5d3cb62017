#pragma once
// Byte sources and sinks through which the container writer and the resource
// editor move data that need not be held in memory whole: a product's file is
// read in chunks, and a container or a setup program is written as it is made.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace storage {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // How many bytes the source gives in all, known before the first read.
    virtual std::uint64_t Size() const = 0;
    // Up to buffer.size() next bytes into buffer; got 0 at the end. False with a reason.
    virtual bool Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) = 0;
};

// The bytes of a block in memory.
class SpanSource final : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string& error) override;

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

class PatchableSink {
public:
    virtual ~PatchableSink() = default;
    // Appends bytes. False with a reason.
    virtual bool Write(std::span<const std::uint8_t> bytes, std::string& error) = 0;
    // Overwrites bytes written earlier, at offset from the first byte written.
    virtual bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) = 0;
};

// Collects the bytes in memory.
class VectorSink final : public PatchableSink {
public:
    bool Write(std::span<const std::uint8_t> bytes, std::string& error) override;
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override;
    std::vector<std::uint8_t>& Bytes() noexcept { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads the whole source in chunks of kStreamChunk bytes and hands each to use,
// stopping when use returns false. The source must give exactly the bytes it
// announced (a file that changes while it is read does not). False with a reason
// when reading fails or use stops.
bool ForEachChunk(ByteSource& source, const std::function<bool(std::span<const std::uint8_t>)>& use,
                  std::string& error);

// All of a source in memory, for one known to be small; false with a reason.
bool ReadWhole(ByteSource& source, std::vector<std::uint8_t>& bytes, std::string& error);

// The size of the chunks in which sources are read and streams compressed.
inline constexpr std::size_t kStreamChunk = std::size_t{1} << 20;

}  // namespace storage
