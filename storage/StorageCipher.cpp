#include "storage/StorageCipher.h"

#include <zlib.h>

#include <bit>
#include <cstring>

namespace storage {

namespace {
// Deflate cannot expand data by more than this factor (one bit per 258-byte match
// and its overhead), so a larger claimed size is refused before any allocation.
constexpr std::uint64_t kMaxInflateRatio = 1032;
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
    for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<std::uint8_t>(bytes[i] ^ key[i % kKeySize]);
    return out;
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

int StorageCipher::Unpack(const std::uint8_t* bytes, std::size_t length, HeapBlock& out,
                          std::uint32_t& outSize) const noexcept {
    if (!bytes || length <= kUnpackedSizePrefix) return -1;
    const std::uint32_t unpackedSize = LoadLE32(bytes);
    const std::size_t streamSize = length - kUnpackedSizePrefix;
    if (streamSize > UINT32_MAX) return -1;  // zlib's uLong is 32 bits on Windows
    if (unpackedSize > streamSize * kMaxInflateRatio) return -1;

    HeapBlock buffer = AllocateBlock(unpackedSize);
    if (!buffer) return -1;
    uLongf produced = unpackedSize;
    const int rc = uncompress(buffer.get(), &produced, bytes + kUnpackedSizePrefix, static_cast<uLong>(streamSize));
    if (rc != Z_OK || produced != unpackedSize) return -1;
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
