#pragma once
// How much room the installation needs and how much a drive has.
#include <cstdint>
#include <string_view>

namespace install {

// Room needed for an installation of requiredKilobytes: (kilobytes + 32) x 1024
// bytes, worked out in 64 bits so that no size wraps.
std::uint64_t BytesNeeded(std::uint32_t requiredKilobytes);

// True when freeBytes is at least BytesNeeded(requiredKilobytes); equal is enough.
bool HasEnoughSpace(std::uint64_t freeBytes, std::uint32_t requiredKilobytes);

// Free bytes from the cluster-based query's three numbers, multiplied in 64 bits.
std::uint64_t ClusterBytes(std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector,
                           std::uint32_t freeClusters);

#ifdef _WIN32
// Free bytes available to the calling user on the volume holding path (which
// should exist): GetDiskFreeSpaceExA, looked up at run time, or the cluster-based
// GetDiskFreeSpaceA where it is missing or fails. freeBytes is untouched on failure.
bool GetFreeDiskSpace(std::string_view path, std::uint64_t& freeBytes);

// The cluster-based way alone.
bool GetFreeDiskSpaceByClusters(std::string_view path, std::uint64_t& freeBytes);
#endif

}  // namespace install
