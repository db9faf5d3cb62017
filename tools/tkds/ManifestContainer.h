#pragma once
// The container a manifest describes, made the one way that both "tkds build" and
// "tkds make" use.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallScope.h"
#include "storage/ByteStreams.h"
#include "tools/tkds/Manifest.h"
#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {

// The values of -D options ("NAME=VALUE") added to defines; false with the reason
// for one without "=" or with a name IsDefineName refuses.
bool AddDefines(const std::vector<std::string>& definitions, Defines& defines, std::string& error);

// Reads the manifest, checks it (its scaled art too: CheckScaledArt), expands
// its Tree lines and writes its container into sink; files named relatively are
// found beside the manifest; stream plans the payload stream (see BuildContainer). Every problem is printed
// ("MANIFEST:LINE: reason"); the container is complete only when there is none.
// document gets the install document's text as setup reads it, if any.
// With a scope (tkds make), the root node kScopeNode is tkds's to write: a
// manifest line of that path is refused, and a user or both product gets the
// node after every node of the manifest; a machine product gets none, so its
// container is the one "build" makes.
bool BuildManifestContainer(const std::string& manifest, const Defines& defines, storage::PatchableSink& sink,
                            std::optional<std::string>& document, StreamPlan& stream,
                            std::optional<install::ProductScope> scope = std::nullopt);

}  // namespace tkds
