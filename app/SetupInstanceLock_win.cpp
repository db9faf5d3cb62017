#include "app/SetupInstanceLock_win.h"

#include <windows.h>

#include "app/SetupCommandLine.h"
#include "framework/WideText_win.h"
#include "install/FolderTrust_win.h"
#include "install/HeldFolders_win.h"
#include "install/InstallDocument.h"
#include "install/RelativeOpen_win.h"
#include "storage/Storage.h"

namespace app {

namespace {

// Administrators and the system alone may open the lock file at all.
constexpr wchar_t kLockSecurity[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";

std::string SystemWindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? framework::Utf8Text(std::wstring_view(folder, length)) : std::string();
}

}  // namespace

SetupInstanceLock::Taking SetupInstanceLock::Take(std::string_view record, install::InstallScope scope,
                                                  unsigned long& error) {
    return scope == install::InstallScope::User ? TakeUserLock(record, error) : TakeMachineLock(record, error);
}

SetupInstanceLock::Taking SetupInstanceLock::TakeUserLock(std::string_view record, unsigned long& error) {
    const std::wstring name = L"Local\\" + framework::WideText(SetupLockFileName(record));
    lock_.Attach(CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!lock_) {
        error = GetLastError();
        return Taking::Failed;
    }
    // Abandoned: the setup that held it was killed; this one goes on.
    const DWORD waited = WaitForSingleObject(lock_, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return Taking::Held;
    lock_.Reset();
    if (waited == WAIT_TIMEOUT) return Taking::HeldElsewhere;
    error = GetLastError();
    return Taking::Failed;
}

SetupInstanceLock::Taking SetupInstanceLock::TakeMachineLock(std::string_view record, unsigned long& error) {
    const std::string windows = SystemWindowsFolder();
    install::HeldFolders held(install::HeldFolders::Refuse::LinksOnly);
    if (windows.empty() || !held.HoldExisting(windows)) {
        error = ERROR_PATH_NOT_FOUND;
        return Taking::Failed;
    }
    const HANDLE folder = held.Find(windows);
    if (install::OthersMayChange(folder, install::FolderChange::AddFiles)) {
        error = ERROR_ACCESS_DENIED;
        return Taking::Failed;
    }
    const install::SecurityFromText security(kLockSecurity);
    const std::wstring name = framework::WideText(SetupLockFileName(record));
    // Two setups that start together may both find no file: the one whose
    // creation fails then opens the other's, and so learns that it is held.
    for (int attempt = 0; attempt < 3; ++attempt) {
        install::RelativeOpen lock =
            install::OpenRelative(folder, name, false, install::Disposition::OpenOrCreate,
                                  FILE_READ_ATTRIBUTES | DELETE, 0, security.Get());
        if (lock.handle) {
            if (install::KindOf(lock.handle) != install::HandleKind::File || !install::RemoveOnClose(lock.handle)) {
                error = ERROR_ACCESS_DENIED;
                return Taking::Failed;
            }
            lock_ = std::move(lock.handle);
            return Taking::Held;
        }
        error = lock.error;
        // Held open without sharing, or marked for removal by a setup that is ending.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) return Taking::HeldElsewhere;
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    return Taking::Failed;
}

std::string RecordOfThisSetup(storage::Storage& storage) {
    std::string text;
    if (!storage.GetString(install::InstallDocument::kDocumentNode, text, "")) return {};
    install::InstallDocument document;
    document.Parse(text);
    return document.IsDamaged() ? std::string() : document.registryRecord;
}

std::optional<install::ProductScope> ProductScopeOfThisSetup(storage::Storage& storage) {
    std::string text;
    if (!storage.GetString(std::string(install::kScopeNode), text, "")) return install::ProductScope::Machine;
    return install::ParseProductScope(text);
}

}  // namespace app
