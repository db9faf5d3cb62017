#include <windows.h>

#include <string>

#include "framework/Handles_win.h"
#include "framework/WideText_win.h"
#include "install/DiskSpace.h"

namespace install {

namespace {

using GetDiskFreeSpaceExFunction = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

}  // namespace

bool GetFreeDiskSpaceByClusters(std::string_view path, std::uint64_t& freeBytes) {
    const std::wstring folder = framework::WideText(path);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(folder.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
        return false;
    }
    freeBytes = ClusterBytes(sectorsPerCluster, bytesPerSector, freeClusters);
    return true;
}

bool GetFreeDiskSpace(std::string_view path, std::uint64_t& freeBytes) {
    const std::wstring folder = framework::WideText(path);
    {
        const framework::LibraryHandle kernel(LoadLibraryA("KERNEL32.DLL"));
        if (kernel) {
            const auto getFreeSpaceEx = reinterpret_cast<GetDiskFreeSpaceExFunction>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExW")));
            ULARGE_INTEGER available = {}, total = {}, totalFree = {};
            if (getFreeSpaceEx && getFreeSpaceEx(folder.c_str(), &available, &total, &totalFree)) {
                freeBytes = available.QuadPart;
                return true;
            }
        }
    }
    return GetFreeDiskSpaceByClusters(path, freeBytes);
}

}  // namespace install
