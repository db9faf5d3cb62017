#pragma once
// The predefined root key for a root number; null for any number but 1 to 3.
#include <windows.h>

#include "install/RegistryAccess.h"

namespace install {

inline HKEY RegistryRootKey(int root) noexcept {
    switch (root) {
        case ClassesRoot: return HKEY_CLASSES_ROOT;
        case CurrentUser: return HKEY_CURRENT_USER;
        case LocalMachine: return HKEY_LOCAL_MACHINE;
        default: return nullptr;
    }
}

}  // namespace install
