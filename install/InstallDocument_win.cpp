// The program's own way of loading the install document: the Program Files folder
// comes from the registry.
#include "install/InstallDocument.h"
#include "install/RegistryAccess.h"

namespace install {

namespace {

// The value is used as stored: an expandable string is not expanded.
std::optional<std::string> ReadProgramFilesFolder() {
    const RegistryAccess registry;
    std::string folder;
    if (!registry.ReadRegistryText(LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir",
                                   folder)) {
        return std::nullopt;
    }
    return folder;
}

}  // namespace

void InstallDocument::Load(storage::Storage& storage, NumberDisplay& display) {
    Load(storage, display, ReadProgramFilesFolder);
}

}  // namespace install
