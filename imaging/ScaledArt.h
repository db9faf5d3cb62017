#pragma once
// The skin drawn again for display scales above 100 %, and the arithmetic that
// maps the window's 100 % geometry onto a scale. Shared by tkds (which writes
// and checks the scaled pictures) and by setup (which picks and draws them).
//
// A scale is a whole percentage: 100 is the window as drawn for 96 DPI, 150 for
// 144 DPI, 200 for 192 DPI.
//
// Scaled art, in the container: optional nodes beside the skin's own, each the
// 100 % node's path behind the prefix "Scales.<percent>.", for example
//   Scales.200.Backgrounds.1, Scales.200.Backgrounds.Sizes.1x, ...1y
//   Scales.200.Controls.MaskedButtons.PushButton.RGBA, .Width, .CtrlWidth, .Height, .States
//   Scales.200.Digits, Scales.200.Font, Scales.200.Units
// of the same types and layouts as the 100 % nodes, with every length scaled:
// a picture made of cells (the button strip, "Font", "Digits", "Units") keeps
// its number of cells, and each cell is ScaledLength of the 100 % cell's width
// and height; the background is ScaledLength of the 100 % sizes; "States" is
// unchanged. The folders along the path ("Scales", "Scales.200", ...) are
// Folder nodes. A container without them reads as one with 100 % art only, and
// any one picture may be missing at a scale (it is then made from another).
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace imaging {

inline constexpr int kBaseScale = 100;
inline constexpr std::string_view kScaledArtRoot = "Scales";
// The scales the project's skin generator draws and tkds new writes.
inline constexpr int kDrawnScales[] = {150, 200};
// The window is drawn at scales from 100 % up to this; a higher display scale
// gets the window at this scale.
inline constexpr int kLargestWindowScale = 400;

// The pictures made of cells side by side, by node path and number of cells.
// Besides these, a background "Backgrounds.<name>" is one picture of the sizes
// its Integers "Backgrounds.Sizes.<name>x"/"y" give, and a button strip
// "Controls.MaskedButtons.<kind>.RGBA" has Width / CtrlWidth cells of CtrlWidth
// x Height; at a scale those Integers are the scaled ones (Width = cells x the
// scaled CtrlWidth) and "States" is the 100 % value.
struct CellPicture {
    std::string_view path;
    int cells;
};
inline constexpr CellPicture kCellPictures[] = {{"Font", 42}, {"Digits", 11}, {"Units", 2}};

// A length or a coordinate of the 100 % window at a scale, rounded half up, so
// that 207 at 150 % is 311 and a rectangle's edges map one by one.
constexpr int ScaledLength(int length, int percent) noexcept {
    return static_cast<int>((static_cast<long long>(length) * percent + 50) / 100);
}

// The scale for a monitor's DPI: 96 DPI is 100 %; clamped to 100 .. kLargestWindowScale.
constexpr int ScaleForDpi(int dpi) noexcept {
    const int percent = (dpi * 100 + 48) / 96;
    return percent < kBaseScale ? kBaseScale : percent > kLargestWindowScale ? kLargestWindowScale : percent;
}

// "Scales.<percent>.<path>"; the path itself at 100 %.
inline std::string ScaledArtPath(int percent, std::string_view path) {
    if (percent == kBaseScale) return std::string(path);
    std::string scaled(kScaledArtRoot);
    scaled += '.';
    scaled += std::to_string(percent);
    scaled += '.';
    scaled += path;
    return scaled;
}

// How a picture is made for `target` from the scales it exists at (100 always
// among them): the exact one; else the smallest larger one, scaled down; else
// the largest, enlarged by the smallest whole factor that reaches the target
// (pixel for pixel), then scaled down if that passes it.
struct ArtChoice {
    int source = kBaseScale;  // the stored picture's scale
    int wholeFactor = 1;      // enlargement first, pixel for pixel
};
constexpr ArtChoice ChooseArt(int target, std::span<const int> available) noexcept {
    ArtChoice choice;
    int larger = 0;
    int largest = kBaseScale;
    for (const int scale : available) {
        if (scale == target) return ArtChoice{scale, 1};
        if (scale > target && (larger == 0 || scale < larger)) larger = scale;
        if (scale > largest) largest = scale;
    }
    if (larger != 0) return ArtChoice{larger, 1};
    choice.source = largest;
    choice.wholeFactor = (target + largest - 1) / largest;
    return choice;
}

}  // namespace imaging
