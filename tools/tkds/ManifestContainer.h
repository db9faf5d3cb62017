#pragma once
// The container a manifest describes, made the one way that both "tkds build" and
// "tkds make" use.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tkds/Manifest.h"
#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {

// The values of -D options ("NAME=VALUE") added to defines; false with the reason
// for one without "=" or with a name IsDefineName refuses.
bool AddDefines(const std::vector<std::string>& definitions, Defines& defines, std::string& error);

// Reads the manifest, checks it and builds its container; files named relatively are
// found beside the manifest; stream plans the payload stream (see BuildContainer).
// Every problem is printed ("MANIFEST:LINE: reason");
// container is set only when there is none.
bool BuildManifestContainer(const std::string& manifest, const Defines& defines, std::vector<std::uint8_t>& container,
                            StreamPlan& stream);

}  // namespace tkds
