// tkds preview CONTAINER -o PNG [--number N] [--ticker TEXT] [--offset PX] [--scale F] [--max-decoded MB]
//
// Renders the main window's 450 x 207 client area from a container's skin the way
// the window's painter composes it, through the same imaging code: the tiled
// background, the four buttons in their Normal state, the counter and the ticker.
// Without options it shows what the window shows when it opens: the kilobytes the
// install document's payload needs, the product name, offset 0. --scale shows it
// at a display scale (2 for 200 %: 900 x 414), from the skin's art at that scale.
#include <charconv>
#include <cstdio>
#include <string>

#include "tools/tkds/CommandSupport.h"

#ifdef TKDS_HAVE_PNG
#include <optional>

#include "imaging/ScaledArt.h"
#include "imaging/SkinPreview.h"
#include "install/InstallDocument.h"
#include "storage/Storage.h"
#include "tools/tkds/NodeDecoder.h"
#include "tools/tkds/PngFile.h"
#else
#include "tools/tkds/ManifestBuilder.h"
#endif

namespace tkds {

namespace {

#ifdef TKDS_HAVE_PNG
template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// The percent of a display scale written as a factor ("1", "1.25", "2.5"): at
// most two decimals, from 1 to 4; false for anything else.
bool ParseScale(const std::string& text, int& percent) {
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() || whole.size() > 1 || (point != std::string::npos && fraction.empty()) ||
        fraction.size() > 2 || (whole + fraction).find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    fraction.resize(2, '0');
    percent = (whole[0] - '0') * 100 + (fraction[0] - '0') * 10 + (fraction[1] - '0');
    return percent >= imaging::kBaseScale && percent <= imaging::kLargestWindowScale;
}

// The counter's value as the window gets it from its install document.
class CapturedNumber : public install::NumberDisplay {
public:
    void DrawNumber(int n) override { number = n; }
    int number = 0;  // the painter's own start value when the document shows nothing
};

RgbaImage ToRgba(const imaging::PixelView& picture) {
    RgbaImage image;
    image.width = static_cast<std::uint32_t>(picture.width);
    image.height = static_cast<std::uint32_t>(picture.height);
    image.pixels.reserve(image.width * image.height * 4);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = picture.WindowRow(y);
        for (int x = 0; x < picture.width; ++x, p += 3) image.pixels.insert(image.pixels.end(), {p[2], p[1], p[0], 255});
    }
    return image;
}

int RunPreview(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    std::uint64_t decodeLimit = 0;
    if (!ParseArgs(args,
                   {{"-o", true}, {"--output", true}, {"--number", true}, {"--ticker", true}, {"--offset", true},
                    {"--scale", true}, kDecodeLimitOption},
                   parsed, error) ||
        !DecodeLimitFrom(parsed, decodeLimit, error)) {
        return UsageError(kPreviewCommand, error);
    }
    if (parsed.positional.size() != 1) return UsageError(kPreviewCommand, "expected one container file");
    const std::string output = parsed.Has("--output") ? parsed.Value("--output") : parsed.Value("-o");
    if (output.empty()) return UsageError(kPreviewCommand, "missing -o FILE");

    imaging::PreviewContent content;
    if (parsed.Has("--number") && !ParseNumber(parsed.Value("--number"), content.number))
        return UsageError(kPreviewCommand, "--number needs a whole number");
    if (parsed.Has("--offset") && !ParseNumber(parsed.Value("--offset"), content.tickerOffset))
        return UsageError(kPreviewCommand, "--offset needs a whole number of pixels");
    int percent = imaging::kBaseScale;
    if (parsed.Has("--scale") && !ParseScale(parsed.Value("--scale"), percent))
        return UsageError(kPreviewCommand, "--scale needs a factor from 1 to 4 with at most two decimals, such as 1.5");

    const std::string& path = parsed.positional[0];
    LoadedContainer container;
    if (!container.Load(path)) return kExitFailure;
    storage::Storage storage;
    if (!storage.OpenBytes(container.Bytes().data(), container.Bytes().size())) {
        PrintError(path + ": not a readable container");
        return kExitFailure;
    }
    // Everything the reader decodes for the picture (document, skin) counts together.
    storage::DecodeBudget budget(decodeLimit);
    storage.SetDecodeBudget(&budget);

    // What the window shows at start comes from its install document, read by the
    // installation engine's own loader: payloads count with the sizes their stored
    // bytes declare, so none is decoded (a document may name one on every line)
    // and none is charged to the budget.
    if (!parsed.Has("--number") || !parsed.Has("--ticker")) {
        install::InstallDocument document;
        CapturedNumber number;
        document.Load(storage, number, [] { return std::optional<std::string>(); });
        if (!parsed.Has("--number")) content.number = number.number;
        if (!parsed.Has("--ticker")) content.tickerText = document.productName;
    }
    if (parsed.Has("--ticker")) content.tickerText = parsed.Value("--ticker");

    imaging::PreviewResult result;
    if (!imaging::RenderWindowPreview(storage, content, result, percent)) {
        PrintError("cannot make the window picture");
        return kExitFailure;
    }
    if (budget.Exceeded()) {
        PrintError(path + ": " + DecodeLimitMessage(budget));
        return kExitFailure;
    }
    for (const std::string& warning : result.warnings) PrintError("warning: " + warning);
    if (!WritePng(output, ToRgba(result.picture.View()), error)) {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    }
    return kExitOk;
}
#else
int RunPreview(const Args&) {
    PrintError(kNoPngMessage);
    return kExitFailure;
}
#endif

}  // namespace

const Command kPreviewCommand = {
    "preview",
    "CONTAINER -o FILE [--number N] [--ticker TEXT] [--offset PX] [--scale F] [--max-decoded MB]",
    "render the main window from the container's skin into a 450 x 207 PNG (--scale 2: 900 x 414)",
    RunPreview,
};

}  // namespace tkds
