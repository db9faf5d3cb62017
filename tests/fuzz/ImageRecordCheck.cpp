#include <cstring>

#include "imaging/BitmapText.h"
#include "imaging/DibImage.h"
#include "imaging/ImageRecord.h"
#include "imaging/PixelBuffer.h"
#include "tests/fuzz/FuzzChecks.h"

namespace fuzz {

namespace {

// The loaded picture's rows are the record's rows, byte for byte.
bool RowsMatch(imaging::DibImage& image, const imaging::ImageRecordHeader& header) {
    const imaging::PixelView& view = image.View();
    const std::size_t rowBytes = static_cast<std::size_t>(header.width) * (header.hasAlpha ? 4 : 3);
    for (int row = 0; row < header.height; ++row) {
        if (std::memcmp(view.MemoryRow(row), header.pixels + static_cast<std::size_t>(row) * header.stride,
                        rowBytes) != 0)
            return false;
    }
    return true;
}

// Uses the picture the ways the setup window does: drawn into the 450 x 207
// window picture at its edges, as the ticker font and as the counter digits.
void UseInTheWindow(imaging::DibImage& image) {
    imaging::PixelBuffer window(452, 207);
    const int w = image.GetWidth();
    const int h = image.GetHeight();
    image.DrawToView(window.View(), 0, 0, 0, 0, w, h);
    image.DrawToView(window.View(), 440, 200, w / 2, h / 2, w, h);
    image.DrawToView(window.View(), -5, -5, -3, -3, 20, 20);

    imaging::PixelBuffer strip;
    imaging::RenderTickerStrip(&image, imaging::TickerCharacters("Tolvik Pellumar 1.0 Setup: 100% > done."), strip);
    imaging::PixelBuffer clean(452, 207);
    imaging::DrawTickerInto(window.View(), clean.View(), &strip.View(), imaging::LayoutTicker(40), 77);
    imaging::DrawCounterInto(window.View(), &image, &image, 701);
    imaging::DrawCounterInto(window.View(), &image, &image, 20000);
}

}  // namespace

ImageRecordOutcome CheckImageRecord(const std::uint8_t* bytes, std::size_t length) {
    ImageRecordOutcome outcome;
    imaging::ImageRecordHeader header;
    const bool parsed = imaging::ParseImageRecord(bytes, length, header);

    imaging::DibImage image;
    outcome.loaded = image.LoadRecord(bytes, length);
    outcome.status = image.Status().statusText;
    if (outcome.loaded != parsed) {
        outcome.broken = "LoadRecord and ParseImageRecord disagree";
        return outcome;
    }
    if (!outcome.loaded) {
        if (image.IsValid()) outcome.broken = "a refused record left a picture behind";
        return outcome;
    }
    outcome.width = image.GetWidth();
    outcome.height = image.GetHeight();
    outcome.hasAlpha = image.HasAlpha();
    if (outcome.width != header.width || outcome.height != header.height || outcome.hasAlpha != header.hasAlpha)
        outcome.broken = "the picture's size is not the record's";
    else if (header.pixels < bytes + imaging::kImageRecordHeaderSize ||
             static_cast<std::size_t>(header.stride) * header.height > length - imaging::kImageRecordHeaderSize)
        outcome.broken = "the record's rows run past its end";
    else if (!RowsMatch(image, header))
        outcome.broken = "the picture's rows are not the record's";
    if (!outcome.broken.empty()) return outcome;

    UseInTheWindow(image);
    return outcome;
}

}  // namespace fuzz
