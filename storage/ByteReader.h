#pragma once
// A bounds-checked cursor over bytes that came from outside (a resource, a file).
// Every read either delivers all the bytes asked for or fails and leaves the
// position where it was: a short read is an error, never silent zeros.
#include <cstddef>
#include <cstdint>

#include "storage/ContainerFormat.h"

namespace storage {

class ByteReader {
public:
    ByteReader(const std::uint8_t* bytes, std::size_t length) noexcept
        : bytes_(bytes), length_(bytes ? length : 0) {}

    std::size_t Length() const noexcept { return length_; }
    std::size_t Position() const noexcept { return position_; }
    // Bytes from the position to the end (0 when the position is past the end).
    std::size_t Remaining() const noexcept { return position_ < length_ ? length_ - position_ : 0; }

    // Moves to an absolute offset; false (position unchanged) past the end.
    bool Seek(std::uint64_t offset) noexcept {
        if (offset > length_) return false;
        position_ = static_cast<std::size_t>(offset);
        return true;
    }

    // The next count bytes, in place, and advances past them; null if fewer remain.
    const std::uint8_t* Read(std::size_t count) noexcept {
        if (count > Remaining()) return nullptr;
        const std::uint8_t* p = bytes_ + position_;
        position_ += count;
        return p;
    }

    bool ReadU16(std::uint16_t& value) noexcept {
        const std::uint8_t* p = Read(2);
        if (!p) return false;
        value = LoadLE16(p);
        return true;
    }

    bool ReadU32(std::uint32_t& value) noexcept {
        const std::uint8_t* p = Read(4);
        if (!p) return false;
        value = LoadLE32(p);
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t length_;
    std::size_t position_ = 0;
};

}  // namespace storage
