#include "install/UninstallerReplacement_win.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "framework/Handles_win.h"
#include "framework/WideText_win.h"
#include "install/ProgramFileVersion.h"

namespace install {

namespace {

// Larger files are no uninstaller this kit made or replaces.
constexpr LONGLONG kMaxProgramBytes = 64LL * 1024 * 1024;

std::optional<std::uint64_t> InstalledVersion(const std::string& path) {
    // FILE_FLAG_OPEN_REPARSE_POINT: a link at the name is opened itself, never its target.
    const framework::FileHandle file(CreateFileW(framework::WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    LARGE_INTEGER size;
    if (!file || !GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        !GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > kMaxProgramBytes) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t read = 0;
    while (read < bytes.size()) {
        DWORD chunk = 0;
        if (!ReadFile(file, bytes.data() + read, static_cast<DWORD>(bytes.size() - read), &chunk, nullptr) ||
            chunk == 0) {
            return std::nullopt;
        }
        read += chunk;
    }
    return ReadProgramFileVersion(bytes);
}

}  // namespace

bool InstalledProgramIsNewer(const std::string& path, std::span<const std::uint8_t> newProgram) {
    const std::optional<std::uint64_t> installed = InstalledVersion(path);
    const std::optional<std::uint64_t> carried = ReadProgramFileVersion(newProgram);
    return installed && (!carried || *installed > *carried);
}

}  // namespace install
