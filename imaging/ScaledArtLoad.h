#pragma once
// Reading a skin picture at a display scale: from the scaled art the container
// holds (ScaledArt.h) the picture ChooseArt names, resampled cell by cell to the
// sizes ScaledLength gives; a scaled node that is damaged or not of the size its
// scale calls for is passed over for the next choice (and named in `warnings`),
// down to the 100 % picture. At 100 % each reads exactly the 100 % nodes.
#include <string>
#include <string_view>
#include <vector>

#include "framework/FunctionRef.h"

namespace storage {
class Storage;
}

namespace imaging {

class DibImage;

// Texts about scaled art that was not used; null where nobody shows them.
using ArtWarnings = std::vector<std::string>;

// The scales at which the container holds node `path`: 100, and each scale from
// 125 to kLargestWindowScale in steps of 25 at which ScaledArtPath resolves.
std::vector<int> StoredArtScales(storage::Storage& storage, std::string_view path);

// Whether a picture of width x height pixels of `bytesPerPixel` bytes still has
// lengths and a size in bytes that fit an int at `percent`.
bool ScaledSizeFits(int width, int height, int bytesPerPixel, int percent) noexcept;

// Makes a picture for `percent` from the scales `path` is stored at, in
// ChooseArt's order: make(source) reads the picture at that scale, checks it and
// resamples it; false from it passes that scale over (with a warning) unless it
// is 100, which ends the search. False when nothing could be made.
bool MakeArtAt(storage::Storage& storage, std::string_view path, int percent,
               framework::FunctionRef<bool(int source)> make, ArtWarnings* warnings);

// A picture made of cells side by side, "Font", "Digits" or "Units"
// (kCellPictures): the 100 % picture's cells (its width / cells by its height) at
// `percent`. A scaled picture counts when it has the same format and cells of
// ScaledLength of the 100 % cell at its scale. False, and `image` without a
// picture, when the 100 % one is unusable or the path is none of those.
bool LoadCellPictureAt(storage::Storage& storage, std::string_view path, int percent, DibImage& image,
                       ArtWarnings* warnings = nullptr);

}  // namespace imaging
