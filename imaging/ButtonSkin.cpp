#include "imaging/ButtonSkin.h"

#include <cstring>
#include <string>
#include <utility>

#include "imaging/CellResample.h"
#include "imaging/ScaledArt.h"
#include "storage/Storage.h"

namespace imaging {

const char* SkinResultText(SkinResult result) noexcept {
    switch (result) {
        case SkinResult::StorageError: return kSkinErrorText;
        case SkinResult::NoData: return kSkinNoDataText;
        case SkinResult::Ok: break;
    }
    return nullptr;
}

int CellForState(ButtonState state, int states) noexcept {
    switch (state) {
        case ButtonState::Hover: return (states & kStatesHover) ? 1 : 0;
        case ButtonState::Pressed: return (states & kStatesPressed) ? 2 : 0;
        case ButtonState::Normal: break;
    }
    return 0;
}

namespace {

// Reads the skin's Integers (States only when `withStates`) and strip under
// `base` ("Controls.MaskedButtons.<kind>" or its scaled path) and checks them.
SkinResult ReadSkin(storage::Storage& storage, std::string_view base, bool withStates, ButtonSkin& loaded) {
    struct Field {
        const char* name;
        int ButtonSkin::*member;
    };
    static constexpr Field kFields[] = {
        {"Height", &ButtonSkin::cellHeight},
        {"Width", &ButtonSkin::stripWidth},
        {"CtrlWidth", &ButtonSkin::cellWidth},
        {"States", &ButtonSkin::states},
    };
    // One path buffer: the kind's node and a dot, then each field's name after it.
    std::string path = std::string(base) + '.';
    const std::size_t nameAt = path.size();
    for (const Field& field : kFields) {
        if (!withStates && field.member == &ButtonSkin::states) continue;
        std::int32_t value = 0;
        path.replace(nameAt, std::string::npos, field.name);
        if (!storage.GetInteger(path, value, "")) return SkinResult::StorageError;
        loaded.*field.member = value;
    }
    path.replace(nameAt, std::string::npos, "RGBA");
    if (!storage.GetBinary(path, loaded.strip, loaded.stripSize, "")) return SkinResult::StorageError;
    if (loaded.stripSize == 0) return SkinResult::NoData;

    if (loaded.cellHeight <= 0 || loaded.stripWidth <= 0 || loaded.cellWidth <= 0) return SkinResult::StorageError;
    const std::uint64_t needed =
        static_cast<std::uint64_t>(loaded.stripWidth) * static_cast<std::uint64_t>(loaded.cellHeight) * 4;
    if (needed > loaded.stripSize) return SkinResult::StorageError;
    const int highestCell = loaded.HasPressedCell() ? 2 : loaded.HasHoverCell() ? 1 : 0;
    if (static_cast<std::int64_t>(highestCell + 1) * loaded.cellWidth > loaded.stripWidth)
        return SkinResult::StorageError;
    return SkinResult::Ok;
}

// The strip as rows of red, green, blue, T pixels, top row first.
constexpr int kStripTransparency = 3;
PixelView StripView(const ButtonSkin& skin) {
    return PixelView{skin.strip.get(), skin.stripWidth, skin.cellHeight, skin.stripWidth * 4, 4};
}

// The 100 % skin `base` made for `percent`: every cell of the strip ScaledLength
// of the 100 % cell, from the scaled strip ChooseArt names. False when no strip
// of that size can be made.
bool ScaleSkin(storage::Storage& storage, std::string_view base, int percent, const ButtonSkin& base100,
               ButtonSkin& scaled, ArtWarnings* warnings) {
    const int cells = base100.stripWidth / base100.cellWidth;
    if (!ScaledSizeFits(base100.stripWidth, base100.cellHeight, 4, percent)) return false;
    scaled.states = base100.states;
    scaled.cellWidth = ScaledLength(base100.cellWidth, percent);
    scaled.cellHeight = ScaledLength(base100.cellHeight, percent);
    scaled.stripWidth = cells * scaled.cellWidth;
    scaled.stripSize = static_cast<std::uint32_t>(scaled.stripWidth) * static_cast<std::uint32_t>(scaled.cellHeight);
    scaled.stripSize *= 4;
    scaled.strip = storage::AllocateBlock(scaled.stripSize);
    if (!scaled.strip) return false;
    const PixelView target = StripView(scaled);
    return MakeArtAt(
        storage, std::string(base) + ".RGBA", percent,
        [&](int source) {
            if (source == kBaseScale)
                return ResampleCells(StripView(base100), base100.cellWidth, target, scaled.cellWidth, cells,
                                     kStripTransparency);
            ButtonSkin stored;
            stored.states = base100.states;
            const int cellWidth = ScaledLength(base100.cellWidth, source);
            return ReadSkin(storage, ScaledArtPath(source, base), false, stored) == SkinResult::Ok &&
                   stored.cellWidth == cellWidth && stored.stripWidth == cells * cellWidth &&
                   stored.cellHeight == ScaledLength(base100.cellHeight, source) &&
                   ResampleCells(StripView(stored), cellWidth, target, scaled.cellWidth, cells, kStripTransparency);
        },
        warnings);
}

}  // namespace

SkinResult LoadButtonSkin(storage::Storage& storage, std::string_view kind, ButtonSkin& skin, int percent,
                          ArtWarnings* warnings) {
    const std::string base = std::string(kButtonSkinBase) + std::string(kind);
    ButtonSkin loaded;
    const SkinResult result = ReadSkin(storage, base, true, loaded);
    if (result != SkinResult::Ok) return result;
    if (percent == kBaseScale) {
        skin = std::move(loaded);
        return SkinResult::Ok;
    }
    ButtonSkin scaled;
    if (!ScaleSkin(storage, base, percent, loaded, scaled, warnings)) return SkinResult::StorageError;
    skin = std::move(scaled);
    return SkinResult::Ok;
}

void CopyStatePicture(const ButtonSkin& skin, ButtonState state, std::uint8_t* picture) noexcept {
    if (!skin.strip || !picture) return;
    const std::size_t rowBytes = static_cast<std::size_t>(skin.cellWidth) * 4;
    const std::size_t stripRowBytes = static_cast<std::size_t>(skin.stripWidth) * 4;
    const std::size_t offset = static_cast<std::size_t>(CellForState(state, skin.states)) * rowBytes;
    for (int r = 0; r < skin.cellHeight; ++r)
        std::memcpy(picture + r * rowBytes, skin.strip.get() + r * stripRowBytes + offset, rowBytes);
}

}  // namespace imaging
