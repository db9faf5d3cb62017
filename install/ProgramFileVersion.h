#pragma once
// The file version of a Windows program given as its bytes (a file as read from
// disk, or a program carried in the container): the VS_FIXEDFILEINFO of its
// version resource (type 16, name 1, the first language), found through the PE
// headers and the resource tree. Windows' own loader is not used, so the bytes
// never need to be a file and a link at a file's name is never followed.
//
//   0x3C        u32 file offset of "PE\0\0", followed by
//   COFF header 20 bytes: section count u16 at 2, optional header size u16 at 16
//   optional    magic u16 0x10B (PE32) or 0x20B (PE32+); the data directory count
//               u32 at 92 (PE32) or 108 (PE32+) and the directories (RVA, size)
//               after it; the resource directory is entry 2
//   sections    after the optional header, 40 bytes each: VirtualSize at 8,
//               VirtualAddress at 12, SizeOfRawData at 16, PointerToRawData at 20
//   directory   16 bytes (named entry count u16 at 12, numbered at 14), then 8-byte
//               entries: name or number, and the target's offset in the tree (high
//               bit set: a subdirectory, else a data entry: RVA u32, size u32)
//
// Every offset is checked against the bytes before it is read, and the tree is
// followed exactly three levels down (type, name, language), so a looping or
// damaged tree ends with no result.
#include <cstdint>
#include <optional>
#include <span>

namespace install {

// The file version (install/VersionInfo.h: FindFixedFileVersion) of the program
// image; nothing when the bytes are not a PE file or hold no readable version.
std::optional<std::uint64_t> ReadProgramFileVersion(std::span<const std::uint8_t> image);

}  // namespace install
