#pragma once
// The resource tree of a PE file: three levels of directories (type, name,
// language) whose leaves are data entries (RVA, size, code page).
//
//   directory  16 bytes: characteristics, time stamp, version (2 + 2),
//              named entry count (u16), numbered entry count (u16), then the entries
//   entry      8 bytes: name (high bit: offset of a u16-counted UTF-16 string, else
//              a number) and target (high bit: offset of a subdirectory, else of a
//              data entry); offsets count from the start of the tree
//   data entry 16 bytes: RVA of the data, size, code page, reserved
//
// The reader refuses anything but exactly three levels, so a tree cannot loop;
// each directory may be reached only once, so shared subtrees cannot multiply the work,
// and a name that many entries point at is read once and shared by their resources.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/resedit/PeHeaders.h"
#include "tools/resedit/PeResources.h"

namespace resedit {

// Reads the tree at the resource directory of `pe` into `out`, sorted by (type, name,
// language). False with a one-line reason for a tree out of bounds, looping, shared,
// not three levels deep or naming one resource twice.
bool ReadResourceTree(std::span<const std::uint8_t> file, const PeHeaders& pe, std::vector<Resource>& out,
                      std::string& error);

// Where the data of a streamed resource belongs in a tree built without it: at
// offset `at` of the built bytes.
struct StreamedData {
    std::size_t at = 0;
    const Resource* resource = nullptr;
};

// The bytes of a resource section holding `sorted` (sorted by type, name, language; no
// duplicates) that will be loaded at `rva`: directories, data entries, names, then
// the data, each 8-byte aligned. Time stamps and versions are zero. The data of
// streamed resources is left out of `out` and listed in `streamed`, in order.
bool BuildResourceTree(const std::vector<Resource>& sorted, std::uint32_t rva, std::vector<std::uint8_t>& out,
                       std::vector<StreamedData>& streamed, std::string& error);

}  // namespace resedit
