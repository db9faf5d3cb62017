#pragma once
// The skin of a masked button, read from the container under
// "Controls.MaskedButtons.<kind>":
//
//   .Height     Integer  cellHeight: rows of the strip and of every picture
//   .Width      Integer  stripWidth: pixels per strip row
//   .CtrlWidth  Integer  cellWidth: pixels per picture (and the control's width)
//   .States     Integer  1 normal (always), 2 hover picture in cell 1,
//                        4 pressed picture in cell 2, 8 a fourth picture in cell 3
//                        (no state shows it)
//   .RGBA       Binary   the strip: cellHeight rows, top row first, each stripWidth
//                        pixels of red, green, blue, T; picture n from column
//                        n * cellWidth (cells are never packed)
#include <cstdint>
#include <string_view>

#include "imaging/ScaledArt.h"
#include "imaging/ScaledArtLoad.h"
#include "storage/HeapBlock.h"

namespace storage {
class Storage;
}

namespace imaging {

enum class ButtonState : int { Normal = 1, Hover = 2, Pressed = 4 };

inline constexpr std::string_view kButtonSkinBase = "Controls.MaskedButtons.";
inline constexpr int kStatesHover = 2;
inline constexpr int kStatesPressed = 4;

struct ButtonSkin {
    int cellHeight = 0;
    int stripWidth = 0;
    int cellWidth = 0;
    int states = 0;
    storage::HeapBlock strip;
    std::uint32_t stripSize = 0;

    bool HasHoverCell() const noexcept { return (states & kStatesHover) != 0; }
    bool HasPressedCell() const noexcept { return (states & kStatesPressed) != 0; }
    // Bytes of one state picture: cellWidth x cellHeight x 4.
    std::size_t CellBytes() const noexcept {
        return static_cast<std::size_t>(cellWidth) * static_cast<std::size_t>(cellHeight) * 4;
    }
};

enum class SkinResult {
    Ok,
    StorageError,  // a key unreadable, or the skin inconsistent: "Error in Storage..."
    NoData,        // the strip was read but holds no bytes: "Error Opening From Storage..."
};
inline constexpr const char* kSkinErrorText = "Error in Storage...";
inline constexpr const char* kSkinNoDataText = "Error Opening From Storage...";
// The text the user is shown for a failed load (null for Ok).
const char* SkinResultText(SkinResult result) noexcept;

// Reads and checks the skin of `kind`. Besides unreadable keys it refuses, as a
// storage error, sizes below 1, a strip shorter than stripWidth x cellHeight x 4
// bytes and a strip narrower than the cells its States select. `skin` is replaced
// only on success.
// Above 100 % the skin is made for `percent` (ScaledArtLoad.h): the 100 % skin's
// cells (Width / CtrlWidth of them) each ScaledLength of its cell, from the scaled
// strip ChooseArt names (its Integers Height, Width and CtrlWidth those of its
// scale, States the 100 % one); a scaled skin of other sizes is passed over.
SkinResult LoadButtonSkin(storage::Storage& storage, std::string_view kind, ButtonSkin& skin,
                          int percent = kBaseScale, ArtWarnings* warnings = nullptr);

// The cell a state shows: Normal 0; Hover 1 when there is a hover picture, else 0;
// Pressed 2 when there is a pressed picture, else 0.
int CellForState(ButtonState state, int states) noexcept;

// Copies the picture of `state` out of a loaded skin into `picture`
// (skin.CellBytes() bytes, rows of cellWidth pixels, top row first).
void CopyStatePicture(const ButtonSkin& skin, ButtonState state, std::uint8_t* picture) noexcept;

}  // namespace imaging
