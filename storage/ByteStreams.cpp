#include "storage/ByteStreams.h"

#include <algorithm>

namespace storage {

bool SpanSource::Read(std::span<std::uint8_t> buffer, std::size_t& got, std::string&) {
    got = std::min(buffer.size(), bytes_.size() - at_);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), got, buffer.begin());
    at_ += got;
    return true;
}

bool ForEachChunk(ByteSource& source, const std::function<bool(std::span<const std::uint8_t>)>& use,
                  std::string& error) {
    std::vector<std::uint8_t> buffer(kStreamChunk);
    std::uint64_t remaining = source.Size();
    while (true) {
        std::size_t got = 0;
        if (!source.Read(buffer, got, error)) return false;
        if (got > remaining || (got == 0 && remaining != 0)) {
            error = "it changed size while it was read";
            return false;
        }
        if (got == 0) return true;
        remaining -= got;
        if (!use(std::span<const std::uint8_t>(buffer.data(), got))) return false;
    }
}

bool VectorSink::Write(std::span<const std::uint8_t> bytes, std::string&) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
}

bool VectorSink::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) {
    if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) {
        error = "patch beyond the bytes written";
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool ReadWhole(ByteSource& source, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    const auto keep = [&](std::span<const std::uint8_t> chunk) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        return true;
    };
    return ForEachChunk(source, keep, error);
}

}  // namespace storage
