#pragma once
// Dotted node paths ("Controls.MaskedButtons.PushButton.Width").
#include <string_view>
#include <vector>

namespace storage {

inline constexpr char kPathSeparator = '.';

// The segments of path, split at every separator. An empty segment counts only
// when it is the last one: "a..b" and ".a" give {"a","b"} and {"a"}, while "a."
// gives {"a",""} and "" gives {""}, so such paths name no node. The views point
// into path.
std::vector<std::string_view> SplitPath(std::string_view path, char separator = kPathSeparator);

}  // namespace storage
