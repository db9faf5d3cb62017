// Room needed and the cluster-based free-space arithmetic.
#include <gtest/gtest.h>

#include "install/DiskSpace.h"

namespace install {
namespace {

TEST(DiskSpace, BytesNeeded) {
    EXPECT_EQ(BytesNeeded(0), 32u * 1024);
    EXPECT_EQ(BytesNeeded(701), 733u * 1024);
    // Past 2 GB a 32-bit product would go negative or wrap.
    EXPECT_EQ(BytesNeeded(2097120), 2147483648ull);
    EXPECT_EQ(BytesNeeded(4194303), (4194303ull + 32) * 1024);
    EXPECT_EQ(BytesNeeded(UINT32_MAX), (4294967295ull + 32) * 1024);
}

TEST(DiskSpace, EqualIsEnough) {
    EXPECT_TRUE(HasEnoughSpace(733u * 1024, 701));
    EXPECT_FALSE(HasEnoughSpace(733u * 1024 - 1, 701));
    EXPECT_TRUE(HasEnoughSpace(UINT64_MAX, UINT32_MAX));
    EXPECT_FALSE(HasEnoughSpace(0, 0));
    EXPECT_FALSE(HasEnoughSpace(3000000000ull, 3000000));  // needs about 3.07 GB
}

TEST(DiskSpace, ClusterBytesDoNotWrap) {
    EXPECT_EQ(ClusterBytes(8, 512, 1000), 4096000u);
    // 8 sectors of 512 bytes, 2^20 free clusters: 4 GiB, which wraps to 0 in 32 bits.
    EXPECT_EQ(ClusterBytes(8, 512, 1u << 20), 4294967296ull);
    EXPECT_EQ(ClusterBytes(64, 4096, UINT32_MAX), 262144ull * UINT32_MAX);
    EXPECT_EQ(ClusterBytes(0, 512, 100), 0u);
    EXPECT_EQ(ClusterBytes(UINT32_MAX, UINT32_MAX, UINT32_MAX), UINT64_MAX);  // saturates
}

}  // namespace
}  // namespace install
