#include "storage/NodeData.h"

#include <cstring>

#include "storage/StorageCipher.h"

namespace storage {

HeapBlock DecodeStoredData(const std::uint8_t* stored, std::uint32_t storedSize, std::uint8_t enciphered,
                           std::uint8_t compressed, std::string_view password, std::uint32_t& size) noexcept {
    HeapBlock out;
    std::uint32_t outSize = 0;
    const StorageCipher cipher;
    int rc = -1;
    if (enciphered && compressed) {
        rc = cipher.DecipherAndUnpack(stored, storedSize, password, out, outSize);
    } else if (enciphered) {
        rc = cipher.Decipher(stored, storedSize, password, out, outSize);
    } else if (compressed) {
        rc = cipher.Unpack(stored, storedSize, out, outSize);
    } else if (stored || storedSize == 0) {
        // Plain data is copied: the caller owns the block, the container stays in place.
        out = AllocateBlock(storedSize);
        if (out) {
            if (storedSize) std::memcpy(out.get(), stored, storedSize);
            outSize = storedSize;
            rc = 0;
        }
    }
    if (rc != 0 || !out) return {};
    size = outSize;
    return out;
}

std::optional<std::uint32_t> DeclaredDecodedSize(const std::uint8_t* stored, std::uint32_t storedSize,
                                                 std::uint8_t enciphered, std::uint8_t compressed,
                                                 std::string_view password) noexcept {
    const std::size_t skipped = enciphered ? kCheckBlockSize : 0;
    if (storedSize < skipped || (!stored && storedSize != 0)) return std::nullopt;
    if (!compressed) return static_cast<std::uint32_t>(storedSize - skipped);
    if (storedSize - skipped <= kUnpackedSizePrefix) return std::nullopt;
    std::uint8_t prefix[kUnpackedSizePrefix];
    std::memcpy(prefix, stored + skipped, sizeof prefix);
    const StorageCipher cipher;
    // The body's keystream starts again at index 0 after the check block.
    if (enciphered) cipher.XorInto(prefix, sizeof prefix, cipher.DeriveKey(password), 0, prefix);
    const std::uint32_t declared = LoadLE32(prefix);
    if (!cipher.CanInflateTo(declared, storedSize - skipped - kUnpackedSizePrefix)) return std::nullopt;
    return declared;
}

}  // namespace storage
