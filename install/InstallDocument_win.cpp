// The program's own way of loading the install document: the Program Files folder
// comes from the registry.
#include "install/InstallDocument.h"
#include "install/ProgramFiles_win.h"

namespace install {

void InstallDocument::Load(storage::Storage& storage, NumberDisplay& display) {
    Load(storage, display, ReadProgramFilesFolder);
}

}  // namespace install
