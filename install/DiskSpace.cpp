#include "install/DiskSpace.h"

namespace install {

std::uint64_t BytesNeeded(std::uint32_t requiredKilobytes) {
    return (std::uint64_t{requiredKilobytes} + 32) * 1024;
}

bool HasEnoughSpace(std::uint64_t freeBytes, std::uint32_t requiredKilobytes) {
    return freeBytes >= BytesNeeded(requiredKilobytes);
}

std::uint64_t ClusterBytes(std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector,
                           std::uint32_t freeClusters) {
    // Two 32-bit factors fit in 64 bits; the third may not, so saturate rather than wrap.
    const std::uint64_t clusterSize = std::uint64_t{sectorsPerCluster} * bytesPerSector;
    if (clusterSize != 0 && freeClusters > UINT64_MAX / clusterSize) return UINT64_MAX;
    return clusterSize * freeClusters;
}

}  // namespace install
