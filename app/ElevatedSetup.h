#pragma once
// SETUP for all users in a window without administrator rights (a product that
// offers both, EVERYONE chosen): this setup starts again through the system's
// elevation prompt and the elevated one installs. What it is started with, and
// what the window says when it does not start.
#include <string>
#include <string_view>

namespace app {

// What the ticker shows while the elevated setup runs.
inline constexpr std::string_view kElevatedSetupRuns = "Setup for everyone...";

// The elevated setup's arguments: this setup's own, as written on its command
// line, without the destination (/DIR=, /D=, and a raw /D= with the rest of the
// line), then /ALLUSERS and /DIR= with the path field's text, quoted so that the
// system splits it back unchanged.
std::string ElevatedSetupArguments(std::string_view commandLine, std::string_view destination);

// The prompt was refused: the window stays, and can install for the user instead.
std::string ElevationRefusedInWindowText();
// The elevated setup could not be started (the system's error code).
std::string ElevatedSetupNotStartedText(unsigned long error);

}  // namespace app
