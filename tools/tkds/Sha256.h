#pragma once
// SHA-256 (FIPS 180-4) of a byte block, for the hash a package manager checks
// the downloaded setup program against.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tkds {

std::array<std::uint8_t, 32> Sha256(std::span<const std::uint8_t> bytes);
// The digest as 64 upper-case hexadecimal digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace tkds
