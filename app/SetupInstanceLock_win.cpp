#include "app/SetupInstanceLock_win.h"

#include <windows.h>

#include "app/SetupCommandLine.h"
#include "install/InstallDocument.h"
#include "storage/Storage.h"

namespace app {

bool SetupInstanceLock::Take(std::string_view record) {
    const std::string name = SetupMutexName(record);
    // Not owned at creation: the handle alone keeps the name alive until this
    // process ends, whatever thread later runs the installation.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (!mutex) return error != ERROR_ACCESS_DENIED;  // denied: another user's setup made it
    mutex_.Attach(mutex);
    return error != ERROR_ALREADY_EXISTS;
}

std::string RecordOfThisSetup(storage::Storage& storage) {
    std::string text;
    if (!storage.GetString(install::InstallDocument::kDocumentNode, text, "")) return {};
    install::InstallDocument document;
    document.Parse(text);
    return document.IsDamaged() ? std::string() : document.registryRecord;
}

}  // namespace app
