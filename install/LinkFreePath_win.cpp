#include "install/LinkFreePath_win.h"

#include "framework/WideText_win.h"
#include "install/LinkFreePath.h"

namespace install {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsAbsence(DWORD error) noexcept { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

HeldPath Stopped(PathHold state, std::string where, DWORD error = NO_ERROR) {
    HeldPath held;
    held.state = state;
    held.where = std::move(where);
    held.error = error;
    return held;
}

}  // namespace

std::string FinalPathOf(HANDLE handle) {
    wchar_t buffer[1024];
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer, 1024, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= 1024) return {};
    return framework::Utf8Text(std::wstring_view(buffer, length));
}

HeldPath HoldPathBelow(const std::string& base, const std::string& path, const LastComponent& last) {
    const std::vector<std::string> steps = PathSteps(path, base);
    if (steps.empty()) return Stopped(PathHold::Failed, path, ERROR_BAD_PATHNAME);

    // The base is opened as it is: where it really lies is what the components are checked against.
    std::string expected;
    {
        const framework::FileHandle baseHandle(CreateFileW(framework::WideText(base).c_str(), FILE_READ_ATTRIBUTES,
                                                           kShareAll, nullptr, OPEN_EXISTING,
                                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!baseHandle) {
            const DWORD error = GetLastError();
            return Stopped(IsAbsence(error) ? PathHold::Missing : PathHold::Failed, base, error);
        }
        expected = FinalPathOf(baseHandle);
        if (expected.empty()) return Stopped(PathHold::Failed, base, GetLastError());
        if (expected.rfind("\\\\?\\", 0) == 0) expected.erase(0, 4);
    }

    HeldPath held;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        const bool isLast = i + 1 == steps.size();
        // The component's own name, appended to where its parent really is.
        const std::size_t nameStart = step.rfind('\\') + 1;
        if (expected.back() != '\\') expected += '\\';
        expected.append(step, nameStart, std::string::npos);

        const bool folder = !isLast || last.folder;
        const DWORD access = isLast ? last.access : FILE_READ_ATTRIBUTES;
        const DWORD share = isLast ? last.share : (FILE_SHARE_READ | FILE_SHARE_WRITE);
        const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
        framework::FileHandle handle(
            CreateFileW(framework::WideText(step).c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
        if (!handle) {
            const DWORD error = GetLastError();
            return Stopped(IsAbsence(error) ? PathHold::Missing : PathHold::Failed, step, error);
        }
        // The attributes alone: GetFileInformationByHandle would also ask the volume
        // for its serial number, a round trip to the mount manager for every step.
        FILE_ATTRIBUTE_TAG_INFO information{};
        if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &information, sizeof information)) {
            return Stopped(PathHold::Failed, step, GetLastError());
        }
        if (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Stopped(PathHold::Link, step);
        const bool isFolder = (information.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!isLast && !isFolder) return Stopped(PathHold::Missing, step, ERROR_PATH_NOT_FOUND);
        if (isLast && isFolder != last.folder) return Stopped(PathHold::Failed, step, ERROR_ACCESS_DENIED);
        if (!SameFinalPath(FinalPathOf(handle), expected)) return Stopped(PathHold::Link, step);
        held.handles.push_back(std::move(handle));
    }
    held.state = PathHold::Held;
    return held;
}

}  // namespace install
