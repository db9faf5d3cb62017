// The compact Adler-32 that stands in for zlib's in the setup program gives
// zlib's values, fed whole or in pieces, past the length at which its sums must
// be reduced and with bytes that make them grow fastest.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "storage/Adler32.h"

namespace storage {
namespace {

TEST(Adler32, AgreesWithZlibInPieces) {
    std::mt19937 random(5);
    std::vector<std::uint8_t> noise(20000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> ones(20000, 0xFF);
    for (const auto* bytes : {&noise, &ones}) {
        for (std::size_t length : {0u, 1u, 5552u, 5553u, 20000u}) {
            const std::uint32_t whole = Adler32(1, bytes->data(), length);
            EXPECT_EQ(whole, adler32(1, bytes->data(), static_cast<uInt>(length))) << length;
            const std::size_t part = length / 3;
            EXPECT_EQ(Adler32(Adler32(1, bytes->data(), part), bytes->data() + part, length - part), whole)
                << length;
        }
    }
}

}  // namespace
}  // namespace storage
