#include "tools/tkds/VersionResource.h"

#include <charconv>
#include <span>

#include "install/VersionInfo.h"

namespace tkds {

namespace {

namespace layout = install::version_layout;

// Values of the fixed part, as the project's own .rc files give them.
constexpr std::uint32_t kStructureVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;  // VS_FFI_FILEFLAGSMASK
constexpr std::uint32_t kFileOs = 0x00040004;   // VOS_NT_WINDOWS32
constexpr std::uint32_t kFileTypeApp = 1;       // VFT_APP
constexpr std::uint16_t kUnicodeCodePage = 1200;
constexpr std::u16string_view kStringTableKey = u"040904B0";

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

void PadTo4(std::vector<std::uint8_t>& out) { out.resize(layout::AlignedTo4(out.size()), 0); }

// Writes one block; children() appends the child blocks. Offsets are relative to
// the resource's start, which the section keeps 4-byte aligned.
template <typename Children>
void PutBlock(std::vector<std::uint8_t>& out, std::u16string_view key, std::uint16_t type,
              std::span<const std::uint8_t> value, std::uint16_t valueLength, Children children) {
    PadTo4(out);
    const std::size_t start = out.size();
    Put16(out, 0);
    Put16(out, valueLength);
    Put16(out, type);
    for (char16_t unit : key) Put16(out, unit);
    Put16(out, 0);
    PadTo4(out);
    out.insert(out.end(), value.begin(), value.end());
    children();
    const std::size_t length = out.size() - start;
    out[start] = static_cast<std::uint8_t>(length);
    out[start + 1] = static_cast<std::uint8_t>(length >> 8);
}

void NoChildren() {}

void PutString(std::vector<std::uint8_t>& out, std::u16string_view key, std::u16string_view text) {
    std::vector<std::uint8_t> value;
    for (char16_t unit : text) Put16(value, unit);
    Put16(value, 0);
    // A text's length counts UTF-16 units, the terminating zero included.
    PutBlock(out, key, layout::kTextValue, value, static_cast<std::uint16_t>(text.size() + 1), NoChildren);
}

std::vector<std::uint8_t> FixedInfo(const VersionInfo& info) {
    const auto high = [](const VersionNumber& v) { return std::uint32_t(v[0]) << 16 | v[1]; };
    const auto low = [](const VersionNumber& v) { return std::uint32_t(v[2]) << 16 | v[3]; };
    std::vector<std::uint8_t> fixed;
    for (std::uint32_t field : {layout::kFixedSignature, kStructureVersion, high(info.fileVersion),
                                low(info.fileVersion), high(info.productVersion), low(info.productVersion),
                                kFileFlagsMask, std::uint32_t(0), kFileOs, kFileTypeApp, std::uint32_t(0),
                                std::uint32_t(0), std::uint32_t(0)}) {
        Put32(fixed, field);
    }
    return fixed;
}

}  // namespace

bool ParseVersionNumber(std::string_view text, VersionNumber& out) {
    VersionNumber number{};
    std::size_t part = 0;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (;; ++part) {
        unsigned value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || next == at || value > 0xFFFF || part >= number.size()) return false;
        number[part] = static_cast<std::uint16_t>(value);
        at = next;
        if (at == end) break;
        if (*at != '.') return false;
        ++at;
    }
    if (part != number.size() - 1) return false;
    out = number;
    return true;
}

std::string VersionText(const VersionNumber& number) {
    return std::to_string(number[0]) + "." + std::to_string(number[1]) + "." + std::to_string(number[2]) + "." +
           std::to_string(number[3]);
}

std::vector<std::uint8_t> BuildVersionResource(const VersionInfo& info) {
    std::vector<std::uint8_t> out;
    const std::vector<std::uint8_t> fixed = FixedInfo(info);
    std::vector<std::uint8_t> translation;
    Put16(translation, layout::kEnglishUs);
    Put16(translation, kUnicodeCodePage);
    PutBlock(out, layout::kRootKey, layout::kBinaryValue, fixed, static_cast<std::uint16_t>(fixed.size()), [&] {
        PutBlock(out, layout::kStringFileInfo, layout::kTextValue, {}, 0, [&] {
            PutBlock(out, kStringTableKey, layout::kTextValue, {}, 0, [&] {
                for (const auto& [key, text] : info.strings) {
                    if (!text.empty()) PutString(out, key, text);
                }
            });
        });
        PutBlock(out, layout::kVarFileInfo, layout::kTextValue, {}, 0, [&] {
            PutBlock(out, layout::kTranslation, layout::kBinaryValue, translation,
                     static_cast<std::uint16_t>(translation.size()), NoChildren);
        });
    });
    return out;
}

bool Utf8ToUtf16(std::string_view text, std::u16string& out) {
    std::u16string converted;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || text.size() - i < length) return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        if (code >= 0x10000) {
            converted.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            converted.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            converted.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    out = std::move(converted);
    return true;
}

std::u16string AnsiToUtf16(std::string_view text) {
    // Windows-1252's 0x80..0x9F; the rest of its bytes are the same code points.
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string converted;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        converted.push_back(byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte));
    }
    return converted;
}

}  // namespace tkds
