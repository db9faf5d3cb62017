#pragma once
// Decoding of stored node data: the password key, the XOR cipher with its check
// block, and the inflation of a size-prefixed zlib stream into one block. Stateless;
// create one wherever a decoding step needs it.
//
// Operations that hand out a block return 0 and set both out arguments on
// success, or -1 and leave them untouched on failure.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/ContainerFormat.h"
#include "storage/HeapBlock.h"

namespace storage {

class StorageCipher {
public:
    using Key = std::array<std::uint8_t, kKeySize>;

    virtual ~StorageCipher() = default;

    // Each password byte, rotated left by 2 bits, is XORed into key byte i % 8;
    // then every key byte gets odd parity in bit 0 (bits 7..1 stay).
    Key DeriveKey(std::string_view password) const noexcept;

    // A new block with byte i XORed with key[i % 8]; empty if the heap refuses.
    // Enciphering and deciphering are the same operation.
    HeapBlock XorBlock(const std::uint8_t* bytes, std::size_t length, const Key& key) const noexcept;

    // Writes length bytes to out, byte i XORed with key[(position + i) % 8]: a
    // block deciphered piece by piece, position being the piece's index in it.
    // out may be bytes itself.
    void XorInto(const std::uint8_t* bytes, std::size_t length, const Key& key, std::uint64_t position,
                 std::uint8_t* out) const noexcept;

    // True when bytes start with the check text enciphered under password.
    bool VerifyPassword(const std::uint8_t* bytes, std::size_t length, std::string_view password) const noexcept;

    // Checks the password, then deciphers the bytes after the check block.
    int Decipher(const std::uint8_t* bytes, std::size_t length, std::string_view password, HeapBlock& out,
                 std::uint32_t& outSize) const noexcept;

    // False when a zlib stream of streamSize bytes cannot inflate to unpackedSize
    // bytes (deflate expands at most about a thousandfold).
    bool CanInflateTo(std::uint32_t unpackedSize, std::size_t streamSize) const noexcept;

    // Inflates [U:4][zlib stream] into a block of exactly U bytes; the stream
    // must finish and produce exactly U bytes.
    int Unpack(const std::uint8_t* bytes, std::size_t length, HeapBlock& out, std::uint32_t& outSize) const noexcept;

    // Decipher, then Unpack the deciphered bytes.
    int DecipherAndUnpack(const std::uint8_t* bytes, std::size_t length, std::string_view password, HeapBlock& out,
                          std::uint32_t& outSize) const noexcept;
};

}  // namespace storage
