#pragma once
// Where decoded bytes go when a node is decoded chunk by chunk instead of into one
// block: a file being written, a checksum, or nowhere.
#include <cstddef>
#include <cstdint>

namespace storage {

class ByteSink {
public:
    virtual ~ByteSink();
    // Takes the next count bytes; false stops the decoding (the sink keeps why).
    virtual bool Write(const std::uint8_t* bytes, std::size_t count) = 0;
};

// Takes every byte and keeps none: decoding into it checks a node's data.
class DiscardSink final : public ByteSink {
public:
    bool Write(const std::uint8_t*, std::size_t) override { return true; }
};

}  // namespace storage
