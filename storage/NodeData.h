#pragma once
// Turns a node's stored bytes into its decoded bytes as its flags say:
// plain, compressed, enciphered, or compressed then enciphered.
#include <cstdint>
#include <optional>
#include <string_view>

#include "storage/HeapBlock.h"

namespace storage {

// A new block with the decoded bytes and their count in size, or an empty block
// (size untouched) when the password is refused, the data is broken or the heap
// refuses. stored points to storedSize bytes.
HeapBlock DecodeStoredData(const std::uint8_t* stored, std::uint32_t storedSize, std::uint8_t enciphered,
                           std::uint8_t compressed, std::string_view password, std::uint32_t& size) noexcept;

// The decoded size the stored bytes announce, read without decoding them: the
// stored size, less the check block when enciphered, or the size prefix of the
// compressed form. Decoding gives exactly this many bytes or fails; none when the
// stored bytes are too short to announce a size or announce more than their zlib
// stream can inflate to.
std::optional<std::uint32_t> DeclaredDecodedSize(const std::uint8_t* stored, std::uint32_t storedSize,
                                                 std::uint8_t enciphered, std::uint8_t compressed,
                                                 std::string_view password) noexcept;

}  // namespace storage
