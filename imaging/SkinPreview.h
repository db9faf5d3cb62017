#pragma once
// The main window's client area composed in software, exactly as the window's
// painter composes it on Windows, for the host tools: the clean background tiled
// from background set "1" into a 452-pixel-wide buffer, the four buttons in their
// Normal state at their places (blended in the window's order), the counter with
// its unit (when the skin has the "Units" picture) and the ticker. At a display
// scale every place is the window's geometry at that scale (WindowGeometry.h)
// and every picture the skin's art at that scale (ScaledArtLoad.h).
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/PixelBuffer.h"
#include "imaging/ScaledArt.h"

namespace storage {
class Storage;
}

namespace imaging {

struct PreviewContent {
    int number = 0;              // kilobytes, shown in the counter (CounterFaceFor)
    std::string tickerText;      // shown in the ticker
    long long tickerOffset = 0;  // scroll offset in pixels of the scale shown
};

struct PreviewResult {
    PixelBuffer picture;                // 24-bit, 450 x 207 at 100 %, each ScaledLength at a scale
    std::vector<std::string> warnings;  // skin parts (scaled art included) that could not be used
};

// Renders from the container; parts of the skin that cannot be read are left out
// as the window leaves them out, and listed in warnings. False only when no
// picture can be made at all.
bool RenderWindowPreview(storage::Storage& storage, const PreviewContent& content, PreviewResult& result,
                         int percent = kBaseScale);

}  // namespace imaging
