#include "imaging/ButtonSkin.h"

#include <cstring>
#include <string>
#include <utility>

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

SkinResult LoadButtonSkin(storage::Storage& storage, std::string_view kind, ButtonSkin& skin) {
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
    std::string path = std::string(kButtonSkinBase) + std::string(kind) + '.';
    const std::size_t nameAt = path.size();
    ButtonSkin loaded;
    for (const Field& field : kFields) {
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

    skin = std::move(loaded);
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
