#include "imaging/ScaledArtLoad.h"

#include <algorithm>
#include <cstdint>

#include "imaging/CellResample.h"
#include "imaging/DibImage.h"
#include "imaging/ScaledArt.h"
#include "storage/Storage.h"

namespace imaging {

namespace {

// Scaled art is looked for at these steps; a vendor may draw any of them.
constexpr int kProbedScaleStep = 25;
// Storage's reason for a path that names no node: only that means "not stored".
constexpr std::string_view kPathInvalid = "Path invalid.";

}  // namespace

std::vector<int> StoredArtScales(storage::Storage& storage, std::string_view path) {
    std::vector<int> scales{kBaseScale};
    for (int scale = kBaseScale + kProbedScaleStep; scale <= kLargestWindowScale; scale += kProbedScaleStep) {
        std::uint32_t size = 0;
        // A node that is there but unreadable is listed: reading it fails and names it.
        if (storage.GetBinarySize(ScaledArtPath(scale, path), size, "") || storage.LastError() != kPathInvalid)
            scales.push_back(scale);
    }
    return scales;
}

bool ScaledSizeFits(int width, int height, int bytesPerPixel, int percent) noexcept {
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0 || percent <= 0) return false;
    if (width > INT32_MAX / percent || height > INT32_MAX / percent) return false;
    // Both lengths are below 2^31 / 25, so their product with 4 bytes fits 64 bits.
    return static_cast<long long>(ScaledLength(width, percent)) * ScaledLength(height, percent) * bytesPerPixel <=
           INT32_MAX;
}

bool MakeArtAt(storage::Storage& storage, std::string_view path, int percent,
               framework::FunctionRef<bool(int source)> make, ArtWarnings* warnings) {
    std::vector<int> scales = StoredArtScales(storage, path);
    for (;;) {
        const int source = ChooseArt(percent, scales).source;
        if (make(source)) return true;
        if (source == kBaseScale) return false;
        if (warnings)
            warnings->push_back("\"" + ScaledArtPath(source, path) + "\" is damaged or of the wrong size; not used");
        std::erase(scales, source);
    }
}

bool LoadCellPictureAt(storage::Storage& storage, std::string_view path, int percent, DibImage& image,
                       ArtWarnings* warnings) {
    if (percent == kBaseScale) return image.Load(storage, path, "");
    image.Release();
    const auto* picture = std::find_if(std::begin(kCellPictures), std::end(kCellPictures),
                                       [path](const CellPicture& p) { return p.path == path; });
    if (picture == std::end(kCellPictures)) return false;
    const int cells = picture->cells;
    DibImage base;
    if (!base.Load(storage, path, "") || base.GetWidth() < cells) return false;
    const int cellWidth = base.GetWidth() / cells;
    const int cellHeight = base.GetHeight();
    if (!ScaledSizeFits(base.GetWidth(), cellHeight, 4, percent)) return false;
    if (!image.Create(cells * ScaledLength(cellWidth, percent), ScaledLength(cellHeight, percent), base.HasAlpha()))
        return false;
    // A 32-bit picture's pixels are T, blue, green, red.
    const int transparency = base.HasAlpha() ? 0 : -1;
    const bool made = MakeArtAt(
        storage, path, percent,
        [&](int source) {
            const int targetCell = ScaledLength(cellWidth, percent);
            if (source == kBaseScale)
                return ResampleCells(base.View(), cellWidth, image.View(), targetCell, cells, transparency);
            DibImage scaled;
            const int scaledCell = ScaledLength(cellWidth, source);
            return scaled.Load(storage, ScaledArtPath(source, path), "") && scaled.HasAlpha() == base.HasAlpha() &&
                   scaled.GetWidth() == cells * scaledCell && scaled.GetHeight() == ScaledLength(cellHeight, source) &&
                   ResampleCells(scaled.View(), scaledCell, image.View(), targetCell, cells, transparency);
        },
        warnings);
    if (!made) image.Release();
    return made;
}

}  // namespace imaging
