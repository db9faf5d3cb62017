#pragma once
// Writes a file whole or not at all: the bytes go to a temporary file beside it,
// which is renamed over the path only when everything is written. A failure leaves
// no temporary file and whatever was at the path before.
#include <cstdint>
#include <span>
#include <string>

namespace tkds {

bool ReplaceFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace tkds
