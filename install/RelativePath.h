#pragma once
#include <string_view>

namespace install {

// True when path names something inside whatever folder it is appended to: not
// empty, not absolute ("\x", "/x"), no drive or stream (":"), no ".." part, no
// empty part (leading, trailing or doubled "\" or "/"), no zero character.
bool IsContainedRelativePath(std::string_view path);

}  // namespace install
