#include "imaging/SkinPreview.h"

#include <string>

#include "imaging/BitmapText.h"
#include "imaging/ButtonSkin.h"
#include "imaging/DibImage.h"
#include "imaging/PixelOps.h"
#include "imaging/WindowBuffers.h"
#include "imaging/WindowLayout.h"
#include "storage/Storage.h"

namespace imaging {

bool RenderWindowPreview(storage::Storage& storage, const PreviewContent& content, PreviewResult& result) {
    result.warnings.clear();
    DibImage font, digits, units;
    if (!digits.Load(storage, "Digits", "")) result.warnings.push_back("\"Digits\" could not be loaded");
    units.Load(storage, kUnitsNode, "");  // optional: without it the counter keeps to kilobytes
    if (!font.Load(storage, "Font", "")) result.warnings.push_back("\"Font\" could not be loaded");

    WindowBuffers buffers;
    if (!buffers.CreateBuffersOfSize(WindowBuffers::BufferWidthFor(kMainClientWidth), kMainClientHeight))
        return false;
    if (!buffers.LoadBackground(storage, kMainBackgroundName))
        result.warnings.push_back(std::string("background \"") + kMainBackgroundName + "\" could not be loaded");

    // Each button shows its Normal picture at its place.
    ButtonSkin skin;
    const SkinResult skinResult = LoadButtonSkin(storage, kMainButtonKind, skin);
    std::vector<std::uint8_t> normal;
    if (skinResult == SkinResult::Ok) {
        normal.resize(skin.CellBytes());
        CopyStatePicture(skin, ButtonState::Normal, normal.data());
        for (const ButtonPlacement& button : kMainButtons) {
            buffers.SetOverlay(button.controlId,
                               Rect{button.x, button.y, button.x + skin.cellWidth, button.y + skin.cellHeight},
                               normal.data(), skin.cellWidth);
        }
    } else {
        result.warnings.push_back(std::string("button skin \"") + kMainButtonKind + "\": " + SkinResultText(skinResult));
    }

    buffers.ComposeArea(Rect{0, 0, kMainClientWidth, kMainClientHeight}, nullptr);
    const PixelView& compose = buffers.ComposeView();
    DrawCounterInto(compose, &digits, &units, content.number);
    const std::string characters = TickerCharacters(content.tickerText);
    PixelBuffer strip;
    RenderTickerStrip(&font, characters, strip);
    DrawTickerInto(compose, buffers.CleanView(), strip.Empty() ? nullptr : &strip.View(),
                   LayoutTicker(characters.size()), content.tickerOffset);

    result.picture.Reset(kMainClientWidth, kMainClientHeight, 3);
    CopyRect(result.picture.View(), 0, 0, compose, 0, 0, kMainClientWidth, kMainClientHeight);
    return true;
}

}  // namespace imaging
