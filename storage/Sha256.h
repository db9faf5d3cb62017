#pragma once
// SHA-256 (FIPS 180-4): of a block in memory, or fed in pieces. The payload
// stream's record holds the stream's digest; tkds also gives package managers
// the digest of the setup program they download.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace storage {

class Sha256Hasher {
public:
    void Add(std::span<const std::uint8_t> bytes);
    // The digest of everything added; the hasher is spent afterwards.
    std::array<std::uint8_t, 32> Finish();

private:
    std::uint32_t state_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                               0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::uint8_t block_[64] = {};
    std::size_t blockUsed_ = 0;
    std::uint64_t total_ = 0;
};

std::array<std::uint8_t, 32> Sha256(std::span<const std::uint8_t> bytes);
// A digest as 64 upper-case hexadecimal digits.
std::string HexDigest(const std::array<std::uint8_t, 32>& digest);
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace storage
