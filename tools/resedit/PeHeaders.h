#pragma once
// The parts of a PE32 or PE32+ file's headers that the resource editor reads
// and rewrites, checked for the invariants that a rewrite relies on.
//
//   0x00    "MZ" ... e_lfanew (u32 at 0x3C)
//   lfanew  "PE\0\0", COFF header (20 bytes), optional header, section table
//   ...     section data, each at its PointerToRawData, in address order
//
// Every offset below is a file offset that ReadPeHeaders has checked to lie in
// the file; every section's data lies in the file and sections follow each other
// in both address and file order, without overlapping.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace resedit {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;

inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::uint32_t kSectionInitializedData = 0x00000040;
inline constexpr std::uint32_t kSectionMemRead = 0x40000000;

enum DirectoryIndex : std::size_t {
    kResourceDirectory = 2,
    kSecurityDirectory = 4,
    kBaseRelocationDirectory = 5,
    kDebugDirectory = 6,
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct SectionHeader {
    std::size_t headerAt = 0;  // file offset of its 40-byte entry in the section table
    std::string name;          // up to 8 bytes, zero padding removed
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t characteristics = 0;

    // The address range the section occupies in memory (VirtualSize, or the raw
    // size where a linker left VirtualSize zero).
    std::uint32_t Extent() const { return virtualSize ? virtualSize : rawSize; }
    bool Holds(std::uint32_t rva) const { return rva >= virtualAddress && rva - virtualAddress < Extent(); }
};

struct PeHeaders {
    std::uint16_t machine = 0;
    bool pe32Plus = false;
    std::size_t coffAt = 0;            // the COFF header, after "PE\0\0"
    std::size_t optionalAt = 0;        // the optional header
    std::size_t dataDirectoriesAt = 0; // its data directory array
    std::uint32_t directoryCount = 0;
    std::size_t sectionTableAt = 0;
    std::uint32_t entryPoint = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t sizeOfInitializedData = 0;
    std::vector<SectionHeader> sections;
    std::size_t imageEnd = 0;          // end of the last section's data (or of the headers)
    std::vector<DataDirectory> directories;

    DataDirectory Directory(std::size_t index) const {
        return index < directories.size() ? directories[index] : DataDirectory{};
    }
    // The section whose address range holds rva, or null.
    const SectionHeader* SectionAt(std::uint32_t rva) const;
    // The rva's bytes [rva, rva + length) when they lie in one section's data in the file; else null.
    const std::uint8_t* BytesAt(std::span<const std::uint8_t> file, std::uint32_t rva, std::uint32_t length) const;
};

// Offsets inside the optional header, the same for PE32 and PE32+.
inline constexpr std::size_t kSizeOfInitializedDataAt = 8;
inline constexpr std::size_t kSizeOfImageAt = 56;
inline constexpr std::size_t kCheckSumAt = 64;

// Reads and checks the headers. False with a one-line reason when the bytes are not
// a PE file this editor can rewrite safely; `out` is then unspecified. A file that
// is only read (onlyRead) may carry data after the image: a payload stream, a signature.
bool ReadPeHeaders(std::span<const std::uint8_t> file, PeHeaders& out, std::string& error, bool onlyRead = false);

// Where the image (headers and sections' data) of a PE file of fileSize bytes
// ends, read from its first bytes (head, holding the headers at least): what
// lies beyond is its overlay. False with the reason as ReadPeHeaders gives it.
bool ReadPeImageEnd(std::span<const std::uint8_t> head, std::uint64_t fileSize, std::uint64_t& imageEnd,
                    std::string& error);

// The PE checksum of the file, the checksum field itself (4 bytes at checksumAt) counted as zero.
std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumAt);

// The same summed over a file given in pieces, in order, with its checksum field zero.
class PeChecksumSum {
public:
    void Add(std::span<const std::uint8_t> bytes);
    std::uint32_t Finish() const;

private:
    std::uint64_t sum_ = 0;
    std::uint64_t length_ = 0;
    bool odd_ = false;  // the last piece ended inside a 16-bit word
};

constexpr std::uint64_t AlignUp(std::uint64_t value, std::uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace resedit
