#pragma once
// Reads string values from a version-information resource (RT_VERSION), the
// VS_VERSIONINFO tree that Windows keeps for every program:
//
//   block  = wLength u16 (the block's bytes, children included)
//            wValueLength u16 (bytes of a binary value, UTF-16 units of a text)
//            wType u16 (0 binary, 1 text)
//            szKey UTF-16, zero-terminated, then padding to 4 bytes
//            Value, then padding to 4 bytes
//            children: blocks, each starting on a 4-byte boundary
//   root   "VS_VERSION_INFO" with a VS_FIXEDFILEINFO value (52 bytes)
//          > "StringFileInfo" > one table per language ("040904B0") > "ProductName", ...
//          > "VarFileInfo" > "Translation"
//
// The setup program reads its own resource with this at run time (no version.dll),
// so every length is checked against its parent before it is used.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace install {

namespace version_layout {
inline constexpr std::u16string_view kRootKey = u"VS_VERSION_INFO";
inline constexpr std::u16string_view kStringFileInfo = u"StringFileInfo";
inline constexpr std::u16string_view kVarFileInfo = u"VarFileInfo";
inline constexpr std::u16string_view kTranslation = u"Translation";
inline constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedInfoSize = 52;
// VS_FIXEDFILEINFO: dwSignature, dwStrucVersion, then dwFileVersionMS and dwFileVersionLS.
inline constexpr std::size_t kFixedFileVersionAt = 8;
inline constexpr std::size_t kBlockHeaderSize = 6;
inline constexpr std::uint16_t kBinaryValue = 0;
inline constexpr std::uint16_t kTextValue = 1;
// The resource id and language of a program's version information.
inline constexpr std::uint16_t kResourceId = 1;
inline constexpr std::uint16_t kEnglishUs = 0x0409;
inline constexpr std::size_t AlignedTo4(std::size_t offset) noexcept { return (offset + 3) & ~std::size_t(3); }
}  // namespace version_layout

// The text of the string named key ("ProductVersion", "CompanyName") in the first
// string table that has it, up to its terminating zero. False (value untouched) for
// a missing key, an empty text or a resource whose blocks do not fit each other.
bool FindVersionString(std::span<const std::uint8_t> resource, std::u16string_view key, std::u16string& value);

// The file version of the root's VS_FIXEDFILEINFO (dwFileVersionMS in the high
// half, dwFileVersionLS in the low half: 1.2.3.4 is 0x0001000200030004), which
// orders two builds of one program. Nothing for a resource whose root does not fit
// or whose fixed part is missing, short or without its signature.
std::optional<std::uint64_t> FindFixedFileVersion(std::span<const std::uint8_t> resource);

// What the setup program's uninstall entry takes from its version information;
// a text is empty when the resource does not hold it.
struct OwnVersionTexts {
    std::string productVersion;  // "DisplayVersion"
    std::string companyName;     // "Publisher"
};

#ifdef _WIN32
// Reads this program's own version resource directly from its image.
OwnVersionTexts ReadOwnVersionTexts();
#endif

}  // namespace install
