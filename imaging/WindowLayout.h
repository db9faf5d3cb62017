#pragma once
// The fixed geometry of the main setup window that the skin is drawn for: a
// 450 x 207 client area, and the four skinned buttons placed in pixels, listed in
// the order in which the window skins them (which is also their drawing order).
#include <array>

#include "imaging/BitmapText.h"

namespace imaging {

inline constexpr int kMainClientWidth = 450;
inline constexpr int kMainClientHeight = 207;
// The background set the window tiles, and the button kind all four buttons use.
inline constexpr const char* kMainBackgroundName = "1";
inline constexpr const char* kMainButtonKind = "PushButton";

struct ButtonPlacement {
    int controlId;
    int x;
    int y;
};
inline constexpr std::array<ButtonPlacement, 4> kMainButtons = {{
    {2, 294, 146},     // Cancel
    {1004, 241, 61},   // Browse
    {1001, 174, 146},  // License
    {1000, 114, 146},  // SETUP
}};

// A product for the current user or all users lets the user choose in the window:
// a fifth button of the same kind right of Browse toggles the choice, and a
// readout under it, over the plate between Browse's caption and the body's edge,
// above the vents, names it. Other products' windows have neither.
inline constexpr ButtonPlacement kScopeToggle = {1009, 316, 61};
inline constexpr Readout kScopeReadout = {290, 94, 8};

// The path field, an edit control over the plate left of Browse.
inline constexpr Rect kPathField = {38, 69, 234, 89};

// The window's outline, in window coordinates: a top strip, the body, a tab right
// of the body, an upright bar joining the tab to the strip, and a small triangle
// under the bar.
inline constexpr std::array<Rect, 4> kOutlinePieces = {{
    {0, 0, 500, 31},
    {0, 46, 395, 207},
    {395, 71, 430, 84},
    {430, 31, 443, 72},
}};
inline constexpr std::array<Point, 3> kOutlineTip = {{{430, 70}, {430, 83}, {443, 71}}};

}  // namespace imaging
