#include "install/ProgramFiles_win.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "framework/WideText_win.h"

#include "install/InstallDocument.h"
#include "install/RegistryAccess.h"

namespace install {

std::optional<std::string> ReadProgramFilesFolder() {
    const RegistryAccess registry;
    std::string folder;
    if (!registry.ReadRegistryText(LocalMachine, kProgramFilesValuePath, folder)) return std::nullopt;
    return folder;
}

std::string ProgramFilesFolder() {
    return ReadProgramFilesFolder().value_or(std::string(InstallDocument::kProgramFilesFallback));
}

std::string UserProgramFilesFolder() {
    wchar_t* known = nullptr;
    // Not made here: a fresh profile may not have the folder yet, and setup makes
    // (and records) the folders it installs into.
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_UserProgramFiles, KF_FLAG_DONT_VERIFY, nullptr, &known)) && known &&
        known[0] != L'\0') {
        std::string folder = framework::Utf8Text(known);
        CoTaskMemFree(known);
        return folder;
    }
    CoTaskMemFree(known);
    wchar_t local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)) || local[0] == L'\0') {
        return {};
    }
    return framework::Utf8Text(local) + "\\Programs";
}

}  // namespace install
