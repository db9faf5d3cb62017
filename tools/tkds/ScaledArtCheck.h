#pragma once
// The skin drawn for display scales: the manifest's nodes under "Scales."
// checked against the skin's own 100 % nodes before anything is written, so
// that setup never reads a scaled picture of the wrong size (the names and the
// arithmetic are imaging/ScaledArt.h's).
#include <string>
#include <vector>

#include "tools/tkds/Manifest.h"

namespace tkds {

// Every node under "Scales" must be "Scales" or "Scales.<percent>" (a whole
// percent from 101 to kLargestWindowScale, Folders both), or "Scales.<percent>."
// and a picture of the skin, its sizes or a folder on their way, of the 100 %
// node's type and conversion; the sizes are the 100 % ones scaled as the
// contract says, pictures read from their PNG files (relative to baseDir). A
// scaled picture comes with the scaled Integers that describe it. Anything else
// under "Scales" is refused. Every problem is added to errors.
bool CheckScaledArt(const std::vector<ManifestEntry>& entries, const std::string& baseDir,
                    std::vector<ManifestError>& errors);

}  // namespace tkds
