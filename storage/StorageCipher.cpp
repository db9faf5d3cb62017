#include "storage/StorageCipher.h"

#include <bit>
#include <cstring>

#include "storage/NodeStream.h"

namespace storage {

namespace {
// Deflate cannot expand data by more than this factor (one bit per 258-byte match
// and its overhead), so a larger claimed size is refused before any allocation.
constexpr std::uint64_t kMaxInflateRatio = 1032;

// Decoded bytes gathered in a block of the declared size.
class BlockSink final : public ByteSink {
public:
    BlockSink(std::uint8_t* block, std::size_t size) noexcept : block_(block), size_(size) {}
    bool Write(const std::uint8_t* bytes, std::size_t count) override {
        if (count > size_ - filled_) return false;
        std::memcpy(block_ + filled_, bytes, count);
        filled_ += count;
        return true;
    }

private:
    std::uint8_t* block_;
    std::size_t size_;
    std::size_t filled_ = 0;
};
}  // namespace

StorageCipher::Key StorageCipher::DeriveKey(std::string_view password) const noexcept {
    Key key{};
    for (std::size_t i = 0; i < password.size(); ++i) {
        key[i % kKeySize] ^= std::rotl(static_cast<std::uint8_t>(password[i]), 2);
    }
    for (auto& b : key) {
        b &= 0xFE;
        if (std::popcount(b) % 2 == 0) b |= 0x01;
    }
    return key;
}

HeapBlock StorageCipher::XorBlock(const std::uint8_t* bytes, std::size_t length, const Key& key) const noexcept {
    HeapBlock out = AllocateBlock(length);
    if (!out) return out;
    XorInto(bytes, length, key, 0, out.get());
    return out;
}

void StorageCipher::XorInto(const std::uint8_t* bytes, std::size_t length, const Key& key, std::uint64_t position,
                            std::uint8_t* out) const noexcept {
    const auto phase = static_cast<std::size_t>(position % kKeySize);
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = static_cast<std::uint8_t>(bytes[i] ^ key[(phase + i) % kKeySize]);
    }
}

bool StorageCipher::VerifyPassword(const std::uint8_t* bytes, std::size_t length,
                                   std::string_view password) const noexcept {
    if (!bytes || length < kCheckBlockSize) return false;
    const Key key = DeriveKey(password);
    for (std::size_t i = 0; i < kCheckBlockSize; ++i) {
        if (static_cast<char>(bytes[i] ^ key[i]) != kCheckText[i]) return false;
    }
    return true;
}

int StorageCipher::Decipher(const std::uint8_t* bytes, std::size_t length, std::string_view password,
                            HeapBlock& out, std::uint32_t& outSize) const noexcept {
    if (!VerifyPassword(bytes, length, password)) return -1;
    const std::size_t bodySize = length - kCheckBlockSize;
    if (bodySize > UINT32_MAX) return -1;
    HeapBlock body = XorBlock(bytes + kCheckBlockSize, bodySize, DeriveKey(password));
    if (!body) return -1;
    out = std::move(body);
    outSize = static_cast<std::uint32_t>(bodySize);
    return 0;
}

bool StorageCipher::CanInflateTo(std::uint32_t unpackedSize, std::size_t streamSize) const noexcept {
    return streamSize >= unpackedSize || unpackedSize <= std::uint64_t{streamSize} * kMaxInflateRatio;
}

int StorageCipher::Unpack(const std::uint8_t* bytes, std::size_t length, HeapBlock& out,
                          std::uint32_t& outSize) const noexcept {
    if (!bytes || length <= kUnpackedSizePrefix || length > UINT32_MAX) return -1;
    const std::uint32_t unpackedSize = LoadLE32(bytes);
    if (!CanInflateTo(unpackedSize, length - kUnpackedSizePrefix)) return -1;

    HeapBlock buffer = AllocateBlock(unpackedSize);
    if (!buffer) return -1;
    // The chunked decoder is the one inflation of the program, so a block and a
    // stream accept exactly the same data.
    BlockSink sink(buffer.get(), unpackedSize);
    if (StreamStoredData(bytes, static_cast<std::uint32_t>(length), 0, 1, "", sink) != StreamResult::Done) return -1;
    out = std::move(buffer);
    outSize = unpackedSize;
    return 0;
}

int StorageCipher::DecipherAndUnpack(const std::uint8_t* bytes, std::size_t length, std::string_view password,
                                     HeapBlock& out, std::uint32_t& outSize) const noexcept {
    HeapBlock packed;
    std::uint32_t packedSize = 0;
    if (Decipher(bytes, length, password, packed, packedSize) != 0 || !packed) return -1;
    return Unpack(packed.get(), packedSize, out, outSize);
}

}  // namespace storage
