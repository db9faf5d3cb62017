#pragma once
// The execution level a setup program asks Windows for. The stub's application
// manifest asks for administrator rights (requireAdministrator); a product that
// installs for the current user starts without them, with the same manifest
// asking for asInvoker. The manifest keeps its requestedExecutionLevel element:
// without one, Windows would take a program named like an installer for one
// and elevate it all the same.
#include <string>

#include "tools/resedit/PeResources.h"

namespace tkds {

// Rewrites the stub's manifest (RT_MANIFEST 1) in pe to ask for asInvoker,
// leaving every other byte of it as it is; false with the reason when the stub
// has no such manifest or it does not say level="requireAdministrator" once.
bool RequestAsInvoker(resedit::PeFile& pe, std::string& error);

}  // namespace tkds
