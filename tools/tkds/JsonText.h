#pragma once
// JSON string literals for texts that are ANSI bytes: bytes from 0x80 up are
// written as \u00XX (their Latin-1 reading), control bytes escaped.
#include <string>
#include <string_view>

namespace tkds {

std::string JsonString(std::string_view text);

}  // namespace tkds
