#pragma once
// Whole-file reads and writes for the tool, with the reason on failure.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tkds {

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

// "-" writes to standard output.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace tkds
