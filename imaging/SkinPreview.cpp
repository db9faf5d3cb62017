#include "imaging/SkinPreview.h"

#include <string>

#include "imaging/BitmapText.h"
#include "imaging/ButtonSkin.h"
#include "imaging/DibImage.h"
#include "imaging/PixelOps.h"
#include "imaging/ScaledArtLoad.h"
#include "imaging/WindowBuffers.h"
#include "imaging/WindowGeometry.h"
#include "storage/Storage.h"

namespace imaging {

bool RenderWindowPreview(storage::Storage& storage, const PreviewContent& content, PreviewResult& result,
                         int percent) {
    result.warnings.clear();
    ArtWarnings* const warnings = &result.warnings;
    const WindowGeometry geometry = WindowGeometryAt(percent);
    DibImage font, digits, units;
    if (!LoadCellPictureAt(storage, "Digits", percent, digits, warnings))
        result.warnings.push_back("\"Digits\" could not be loaded");
    // optional: without it the counter keeps to kilobytes
    LoadCellPictureAt(storage, kUnitsNode, percent, units, warnings);
    if (!LoadCellPictureAt(storage, "Font", percent, font, warnings))
        result.warnings.push_back("\"Font\" could not be loaded");

    WindowBuffers buffers;
    if (!buffers.CreateBuffersOfSize(WindowBuffers::BufferWidthFor(geometry.clientWidth), geometry.clientHeight))
        return false;
    if (!buffers.LoadBackground(storage, kMainBackgroundName, percent, warnings))
        result.warnings.push_back(std::string("background \"") + kMainBackgroundName + "\" could not be loaded");

    // Each button shows its Normal picture at its place.
    ButtonSkin skin;
    const SkinResult skinResult = LoadButtonSkin(storage, kMainButtonKind, skin, percent, warnings);
    std::vector<std::uint8_t> normal;
    if (skinResult == SkinResult::Ok) {
        normal.resize(skin.CellBytes());
        CopyStatePicture(skin, ButtonState::Normal, normal.data());
        for (const ButtonPlacement& button : geometry.buttons) {
            buffers.SetOverlay(button.controlId,
                               Rect{button.x, button.y, button.x + skin.cellWidth, button.y + skin.cellHeight},
                               normal.data(), skin.cellWidth);
        }
    } else {
        result.warnings.push_back(std::string("button skin \"") + kMainButtonKind + "\": " + SkinResultText(skinResult));
    }

    buffers.ComposeArea(Rect{0, 0, geometry.clientWidth, geometry.clientHeight}, nullptr);
    const PixelView& compose = buffers.ComposeView();
    DrawCounterInto(compose, &digits, &units, content.number, geometry.counter);
    const std::string characters = TickerCharacters(content.tickerText);
    PixelBuffer strip;
    RenderTickerStrip(&font, characters, strip, geometry.ticker);
    DrawTickerInto(compose, buffers.CleanView(), strip.Empty() ? nullptr : &strip.View(),
                   LayoutTicker(characters.size(), geometry.ticker), content.tickerOffset, geometry.ticker);

    result.picture.Reset(geometry.clientWidth, geometry.clientHeight, 3);
    CopyRect(result.picture.View(), 0, 0, compose, 0, 0, geometry.clientWidth, geometry.clientHeight);
    return true;
}

}  // namespace imaging
