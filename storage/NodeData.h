#pragma once
// Turns a node's stored bytes into its decoded bytes as its flags say:
// plain, compressed, enciphered, or compressed then enciphered.
#include <cstdint>
#include <string_view>

#include "storage/HeapBlock.h"

namespace storage {

// A new block with the decoded bytes and their count in size, or an empty block
// (size untouched) when the password is refused, the data is broken or the heap
// refuses. stored points to storedSize bytes.
HeapBlock DecodeStoredData(const std::uint8_t* stored, std::uint32_t storedSize, std::uint8_t enciphered,
                           std::uint8_t compressed, std::string_view password, std::uint32_t& size) noexcept;

}  // namespace storage
