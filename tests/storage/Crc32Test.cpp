// The compact CRC-32 that stands in for zlib's in the setup program gives zlib's
// values, for whole blocks and when fed in pieces.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "storage/Crc32.h"

namespace storage {
namespace {

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc32(0, nullptr, 0), 0u);
    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(0, check, sizeof check), 0xCBF43926u);  // the CRC-32 check value
}

TEST(Crc32, AgreesWithZlibInPieces) {
    std::mt19937 random(11);
    std::vector<std::uint8_t> bytes(5000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    for (std::size_t length : {1u, 7u, 64u, 1000u, 5000u}) {
        const std::uint32_t whole = Crc32(0, bytes.data(), length);
        EXPECT_EQ(whole, crc32(0, bytes.data(), static_cast<uInt>(length))) << length;
        const std::size_t half = length / 2;
        EXPECT_EQ(Crc32(Crc32(0, bytes.data(), half), bytes.data() + half, length - half), whole) << length;
    }
}

}  // namespace
}  // namespace storage
