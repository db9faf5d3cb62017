#include "install/ProgramFiles_win.h"

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

}  // namespace install
