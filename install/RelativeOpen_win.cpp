#include "install/RelativeOpen_win.h"

#include <winternl.h>

#include <cstring>
#include <vector>

namespace install {

namespace {

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                              PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using StatusToErrorFunction = ULONG(NTAPI*)(NTSTATUS);
using QueryDirectoryFunction = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

// ntdll is in every process from its start; nothing is loaded by name. Looked
// up at each call: a function's static would cost the program the C++ runtime's
// exception support, for its thread-safe start.
template <typename Function>
Function NtdllFunction(const char* name) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name))) : nullptr;
}

}  // namespace

namespace {

RelativeOpen OpenOnce(HANDLE parent, std::wstring_view name, bool folder, ULONG disposition, ACCESS_MASK access,
                      ULONG share, PSECURITY_DESCRIPTOR security) {
    RelativeOpen result;
    const auto ntCreateFile = NtdllFunction<NtCreateFileFunction>("NtCreateFile");
    const auto statusToError = NtdllFunction<StatusToErrorFunction>("RtlNtStatusToDosError");
    if (!ntCreateFile || !statusToError) {
        result.error = ERROR_PROC_NOT_FOUND;
        return result;
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.data());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, security);
    IO_STATUS_BLOCK status{};
    const ULONG options = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                          (folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
    HANDLE handle = nullptr;
    const NTSTATUS code = ntCreateFile(&handle, access | SYNCHRONIZE, &attributes, &status, nullptr,
                                       FILE_ATTRIBUTE_NORMAL, share, disposition, options, nullptr, 0);
    if (code < 0) {
        result.error = statusToError(code);
        if (result.error == NO_ERROR) result.error = ERROR_GEN_FAILURE;
        return result;
    }
    result.handle.Attach(handle);
    result.created = status.Information == FILE_CREATED;
    return result;
}

std::wstring FinalPath(HANDLE handle) {
    wchar_t buffer[1024];
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer, 1024, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= 1024) return {};
    return std::wstring(buffer, length);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// True when parent's own directory entry for name is a link. A system may follow
// a link although asked not to, and then report the target for the handle; the
// entry itself still says what it is. The entry is read through a handle of its
// own, since a handle keeps the first name filter it is asked with.
bool EntryIsLink(HANDLE parent, std::wstring_view name) {
    const auto queryDirectory = NtdllFunction<QueryDirectoryFunction>("NtQueryDirectoryFile");
    RelativeOpen listing = OpenOnce(parent, {}, true, FILE_OPEN, FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr);
    if (!queryDirectory || !listing.handle) return false;
    UNICODE_STRING filter;
    filter.Buffer = const_cast<wchar_t*>(name.data());
    filter.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    filter.MaximumLength = filter.Length;
    alignas(8) std::uint8_t buffer[sizeof(FILE_DIRECTORY_INFORMATION) + 600];
    IO_STATUS_BLOCK status{};
    if (queryDirectory(listing.handle, nullptr, nullptr, nullptr, &status, buffer, sizeof buffer,
                       FileDirectoryInformation, TRUE, &filter, TRUE) < 0) {
        return false;
    }
    const auto* entry = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(buffer);
    return (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// True when child is parent's entry name: not a link, and where the system says it is.
// An entry this open created is new: FILE_CREATE fails on any name that exists, a
// link included (a system that maps it to O_CREAT | O_EXCL as well), so its
// directory entry need not be read back.
bool LiesWhereNamed(HANDLE parent, HANDLE child, std::wstring_view name, bool created) {
    if (KindOf(child) == HandleKind::Link || (!created && EntryIsLink(parent, name))) return false;
    std::wstring expected = FinalPath(parent);
    if (expected.empty()) return false;
    if (expected.back() != L'\\') expected += L'\\';
    expected.append(name);
    return SameText(FinalPath(child), expected);
}

// An empty name would open the parent itself; a "\" would leave the parent.
bool IsOneName(std::wstring_view name) {
    return !name.empty() && name.size() <= 255 && name.find_first_of(L"\\/") == std::wstring_view::npos;
}

RelativeOpen Refused(DWORD error) {
    RelativeOpen refused;
    refused.error = error;
    return refused;
}

RelativeOpen RefusedAsLink(RelativeOpen result) {
    result.handle.Reset();
    result.link = true;
    result.error = ERROR_CANT_ACCESS_FILE;
    return result;
}

}  // namespace

RelativeOpen OpenRelative(HANDLE parent, std::wstring_view name, bool folder, Disposition disposition,
                          ACCESS_MASK access, ULONG share, PSECURITY_DESCRIPTOR security) {
    if (!IsOneName(name)) return Refused(ERROR_INVALID_NAME);
    // Made only with FILE_CREATE, which never creates through a link, even a
    // dangling one; what exists is opened with FILE_OPEN and checked.
    RelativeOpen result;
    if (disposition != Disposition::Create) {
        result = OpenOnce(parent, name, folder, FILE_OPEN, access, share, nullptr);
        if (result.handle || result.error != ERROR_FILE_NOT_FOUND || disposition == Disposition::Open) {
            if (result.handle && !LiesWhereNamed(parent, result.handle, name, false)) {
                return RefusedAsLink(std::move(result));
            }
            return result;
        }
    }
    result = OpenOnce(parent, name, folder, FILE_CREATE, access, share, security);
    if (result.handle && !LiesWhereNamed(parent, result.handle, name, true)) return RefusedAsLink(std::move(result));
    return result;
}

std::uint64_t FileNumberOf(HANDLE handle) {
    using QueryInformationFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    const auto queryInformation = NtdllFunction<QueryInformationFunction>("NtQueryInformationFile");
    constexpr auto kFileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
    LARGE_INTEGER number{};  // FILE_INTERNAL_INFORMATION: the file's index number alone
    IO_STATUS_BLOCK status{};
    if (!queryInformation || queryInformation(handle, &status, &number, sizeof number, kFileInternalInformation) < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(number.QuadPart);
}

RelativeOpen OpenSameFile(HANDLE parent, std::wstring_view name, std::uint64_t fileNumber, ACCESS_MASK access,
                          ULONG share) {
    if (!IsOneName(name)) return Refused(ERROR_INVALID_NAME);
    RelativeOpen result = OpenOnce(parent, name, false, FILE_OPEN, access | FILE_READ_ATTRIBUTES, share, nullptr);
    // A link opened as itself, or followed by a system that ignores the request
    // not to, is another file than the one numbered.
    if (result.handle &&
        (fileNumber == 0 || FileNumberOf(result.handle) != fileNumber || KindOf(result.handle) != HandleKind::File)) {
        return RefusedAsLink(std::move(result));
    }
    return result;
}

RelativeOpen OpenFileForWriting(HANDLE parent, std::wstring_view name, bool mayReplace, ULONG share) {
    RelativeOpen file = OpenRelative(parent, name, false, mayReplace ? Disposition::OpenOrCreate : Disposition::Create,
                                     GENERIC_WRITE | FILE_READ_ATTRIBUTES, share);
    if (!file.handle) {
        if (file.error == ERROR_ALREADY_EXISTS) file.error = ERROR_FILE_EXISTS;
        return file;
    }
    // A file with a second name elsewhere would be emptied there as well.
    if (KindOf(file.handle) != HandleKind::File) {
        file.handle.Reset();
        file.link = true;
        file.error = ERROR_CANT_ACCESS_FILE;
        return file;
    }
    FILE_END_OF_FILE_INFO end{};
    if (!file.created && !SetFileInformationByHandle(file.handle, FileEndOfFileInfo, &end, sizeof end)) {
        file.error = GetLastError();
        file.handle.Reset();
    }
    return file;
}

DWORD WriteAll(HANDLE file, const std::uint8_t* bytes, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const std::size_t left = size - written;
        const DWORD part = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD chunk = 0;
        if (!WriteFile(file, bytes + written, part, &chunk, nullptr) || chunk == 0) {
            const DWORD error = GetLastError();
            return error == NO_ERROR ? ERROR_DISK_FULL : error;
        }
        written += chunk;
    }
    return NO_ERROR;
}

HandleKind KindOf(HANDLE handle) {
    // Two queries of the file itself; GetFileInformationByHandle would also ask the
    // volume for its serial number, which costs more than the rest of a small file.
    FILE_ATTRIBUTE_TAG_INFO tag{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        return HandleKind::Unknown;
    }
    if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return HandleKind::Link;
    if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return HandleKind::Folder;
    return standard.NumberOfLinks == 1 ? HandleKind::File : HandleKind::Unknown;
}

DWORD RenameBelow(HANDLE file, HANDLE parent, std::wstring_view name, bool replace) {
    // NtSetInformationFile takes the name as given, relative to the root folder;
    // SetFileInformationByHandle may make a full path of it first (Wine does).
    using SetInformationFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    const auto setInformation = NtdllFunction<SetInformationFunction>("NtSetInformationFile");
    const auto statusToError = NtdllFunction<StatusToErrorFunction>("RtlNtStatusToDosError");
    if (!setInformation || !statusToError) return ERROR_PROC_NOT_FOUND;
    const std::size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = parent;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, name.data(), nameBytes);
    constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
    IO_STATUS_BLOCK status{};
    const NTSTATUS code =
        setInformation(file, &status, rename, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
    if (code >= 0) return NO_ERROR;
    const DWORD error = statusToError(code);
    return error == NO_ERROR ? ERROR_GEN_FAILURE : error;
}

bool RemoveOnClose(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace install
