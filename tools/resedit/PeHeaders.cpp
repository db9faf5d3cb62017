#include "tools/resedit/PeHeaders.h"

#include <algorithm>

#include "storage/ContainerFormat.h"

namespace resedit {

namespace {

using storage::LoadLE16;
using storage::LoadLE32;

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kLfanewAt = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::uint16_t kMaxSections = 96;  // the Windows loader's own limit
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
// The fixed part of the optional header, before its data directories.
constexpr std::size_t kOptionalFixedPe32 = 96;
constexpr std::size_t kOptionalFixedPe32Plus = 112;
constexpr std::uint32_t kMaxDirectories = 16;

constexpr bool IsPowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

std::string Hex(std::uint64_t v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[v & 15]);
        v >>= 4;
    } while (v);
    return "0x" + text;
}

bool Fail(std::string& error, std::string reason) {
    error = std::move(reason);
    return false;
}

bool ReadSections(std::span<const std::uint8_t> file, std::uint64_t fileSize, PeHeaders& pe, std::uint16_t count,
                  std::string& error) {
    std::uint64_t nextAddress = AlignUp(pe.sizeOfHeaders, pe.sectionAlignment);
    std::uint64_t nextRaw = pe.sizeOfHeaders;
    pe.imageEnd = pe.sizeOfHeaders;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = pe.sectionTableAt + i * kSectionHeaderSize;
        const std::uint8_t* p = file.data() + at;
        SectionHeader s;
        s.headerAt = at;
        for (std::size_t c = 0; c < 8 && p[c]; ++c) s.name.push_back(static_cast<char>(p[c]));
        s.virtualSize = LoadLE32(p + 8);
        s.virtualAddress = LoadLE32(p + 12);
        s.rawSize = LoadLE32(p + 16);
        s.rawOffset = LoadLE32(p + 20);
        s.characteristics = LoadLE32(p + 36);
        std::string shown = s.name;  // the name as the message shows it: any bytes may stand there
        for (char& c : shown) c = c >= 0x20 && c < 0x7F ? c : '?';
        const std::string which = "section " + std::to_string(i + 1) + " (\"" + shown + "\")";
        if (s.virtualAddress % pe.sectionAlignment != 0 || s.virtualAddress < nextAddress)
            return Fail(error, which + " is not aligned or overlaps the one before it");
        if (s.Extent() == 0) return Fail(error, which + " is empty");
        nextAddress = AlignUp(std::uint64_t{s.virtualAddress} + s.Extent(), pe.sectionAlignment);
        if (nextAddress > 0xFFFFFFFFu) return Fail(error, which + " ends beyond 4 GB");
        if (s.rawSize != 0) {
            if (s.rawOffset < nextRaw) return Fail(error, which + "'s data overlaps the headers or the section before it");
            const std::uint64_t end = std::uint64_t{s.rawOffset} + s.rawSize;
            if (end > fileSize) return Fail(error, which + "'s data goes past the end of the file (truncated?)");
            nextRaw = end;
            pe.imageEnd = static_cast<std::size_t>(end);
        }
        pe.sections.push_back(std::move(s));
    }
    return true;
}

}  // namespace

const SectionHeader* PeHeaders::SectionAt(std::uint32_t rva) const {
    for (const SectionHeader& s : sections)
        if (s.Holds(rva)) return &s;
    return nullptr;
}

const std::uint8_t* PeHeaders::BytesAt(std::span<const std::uint8_t> file, std::uint32_t rva,
                                       std::uint32_t length) const {
    const SectionHeader* s = SectionAt(rva);
    if (!s) return nullptr;
    const std::uint64_t into = rva - s->virtualAddress;
    if (into + length > s->rawSize || into + length > s->Extent()) return nullptr;
    return file.data() + s->rawOffset + into;
}

namespace {

// The headers of a file of fileSize bytes from its first bytes (file): the section
// table must lie in them, the sections' data need not.
bool ReadHeaders(std::span<const std::uint8_t> file, std::uint64_t fileSize, PeHeaders& pe, std::string& error) {
    if (file.size() < 2 || file[0] != 'M' || file[1] != 'Z') return Fail(error, "not a PE file (no \"MZ\" header)");
    if (file.size() < kDosHeaderSize) return Fail(error, "not a PE file (too short for its DOS header)");
    const std::uint32_t lfanew = LoadLE32(file.data() + kLfanewAt);
    if (std::uint64_t{lfanew} + 4 + kCoffHeaderSize > file.size())
        return Fail(error, "not a PE file (its PE header lies past the end of the file)");
    const std::uint8_t* sig = file.data() + lfanew;
    if (sig[0] != 'P' || sig[1] != 'E' || sig[2] != 0 || sig[3] != 0)
        return Fail(error, "not a PE file (no \"PE\" signature)");

    pe.coffAt = lfanew + 4;
    const std::uint8_t* coff = file.data() + pe.coffAt;
    pe.machine = LoadLE16(coff);
    const std::uint16_t sectionCount = LoadLE16(coff + 2);
    const std::uint32_t symbolTable = LoadLE32(coff + 8);
    const std::uint32_t symbolCount = LoadLE32(coff + 12);
    const std::uint16_t optionalSize = LoadLE16(coff + 16);
    if (sectionCount == 0 || sectionCount > kMaxSections)
        return Fail(error, "the PE header declares " + std::to_string(sectionCount) + " sections (1 to 96 are valid)");
    if (symbolTable != 0 || symbolCount != 0)
        return Fail(error, "the file holds a COFF symbol table; strip it before adding resources");

    pe.optionalAt = pe.coffAt + kCoffHeaderSize;
    if (pe.optionalAt + optionalSize > file.size()) return Fail(error, "truncated optional header");
    if (optionalSize < 2) return Fail(error, "the optional header is missing");
    const std::uint8_t* opt = file.data() + pe.optionalAt;
    const std::uint16_t magic = LoadLE16(opt);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus)
        return Fail(error, "unknown optional header magic " + Hex(magic) + " (neither PE32 nor PE32+)");
    pe.pe32Plus = magic == kMagicPe32Plus;
    const std::size_t fixed = pe.pe32Plus ? kOptionalFixedPe32Plus : kOptionalFixedPe32;
    if (optionalSize < fixed) return Fail(error, "the optional header is too short");
    pe.directoryCount = LoadLE32(opt + fixed - 4);
    if (pe.directoryCount > kMaxDirectories || pe.directoryCount <= kDebugDirectory)
        return Fail(error, "the optional header declares " + std::to_string(pe.directoryCount) +
                               " data directories (7 to 16 are supported)");
    if (fixed + std::size_t{pe.directoryCount} * 8 > optionalSize)
        return Fail(error, "the data directories do not fit in the optional header");
    pe.dataDirectoriesAt = pe.optionalAt + fixed;
    for (std::uint32_t i = 0; i < pe.directoryCount; ++i) {
        const std::uint8_t* d = file.data() + pe.dataDirectoriesAt + i * 8;
        pe.directories.push_back({LoadLE32(d), LoadLE32(d + 4)});
    }

    pe.sizeOfInitializedData = LoadLE32(opt + kSizeOfInitializedDataAt);
    pe.entryPoint = LoadLE32(opt + 16);
    pe.sectionAlignment = LoadLE32(opt + 32);
    pe.fileAlignment = LoadLE32(opt + 36);
    const std::uint32_t sizeOfImage = LoadLE32(opt + kSizeOfImageAt);
    pe.sizeOfHeaders = LoadLE32(opt + 60);
    if (!IsPowerOfTwo(pe.fileAlignment) || pe.fileAlignment < 16 || pe.fileAlignment > 0x10000 ||
        !IsPowerOfTwo(pe.sectionAlignment) || pe.sectionAlignment < pe.fileAlignment ||
        pe.sectionAlignment > 0x10000000)
        return Fail(error, "invalid alignments (file " + Hex(pe.fileAlignment) + ", sections " +
                               Hex(pe.sectionAlignment) + ")");
    pe.sectionTableAt = pe.optionalAt + optionalSize;
    if (pe.sectionTableAt + sectionCount * kSectionHeaderSize > pe.sizeOfHeaders || pe.sizeOfHeaders > file.size())
        return Fail(error, "the section table does not fit in the headers (truncated?)");

    if (!ReadSections(file, fileSize, pe, sectionCount, error)) return false;
    const SectionHeader& last = pe.sections.back();
    const std::uint64_t imageSize = AlignUp(std::uint64_t{last.virtualAddress} + last.Extent(), pe.sectionAlignment);
    if (sizeOfImage != imageSize)
        return Fail(error, "SizeOfImage " + Hex(sizeOfImage) + " does not match the sections (" + Hex(imageSize) + ")");

    // Everything the loader or the program finds by address must lie in a section, so that
    // no section the editor adds or grows can come to overlap it.
    for (std::size_t i = 0; i < pe.directories.size(); ++i) {
        if (i != kSecurityDirectory && pe.directories[i].rva != 0 && !pe.SectionAt(pe.directories[i].rva))
            return Fail(error, "data directory " + std::to_string(i) + " points outside every section");
    }
    if (pe.entryPoint != 0 && !pe.SectionAt(pe.entryPoint)) return Fail(error, "the entry point lies outside every section");
    return true;
}

}  // namespace

bool ReadPeImageEnd(std::span<const std::uint8_t> head, std::uint64_t fileSize, std::uint64_t& imageEnd,
                    std::string& error) {
    PeHeaders pe;
    if (!ReadHeaders(head, fileSize, pe, error)) return false;
    imageEnd = pe.imageEnd;
    return true;
}

bool ReadPeHeaders(std::span<const std::uint8_t> file, PeHeaders& pe, std::string& error, bool onlyRead) {
    if (!ReadHeaders(file, file.size(), pe, error)) return false;
    const DataDirectory debug = pe.Directory(kDebugDirectory);
    if (debug.size != 0 && !pe.BytesAt(file, debug.rva, debug.size))
        return Fail(error, "the debug directory lies outside the file's sections");
    if (onlyRead) return true;
    if (pe.Directory(kSecurityDirectory).size != 0)
        return Fail(error, "the file is signed; a signature does not survive new resources: sign after make, never before");
    if (file.size() > pe.imageEnd)
        return Fail(error, std::to_string(file.size() - pe.imageEnd) +
                               " bytes follow the image (appended data or a signature): sign after make, never before");
    return true;
}

std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumAt) {
    PeChecksumSum sum;
    const std::size_t fieldEnd = std::min(file.size(), checksumAt + 4);
    sum.Add(file.first(std::min(file.size(), checksumAt)));
    const std::uint8_t zeros[4] = {};
    if (checksumAt < fieldEnd) sum.Add(std::span<const std::uint8_t>(zeros, fieldEnd - checksumAt));
    if (fieldEnd < file.size()) sum.Add(file.subspan(fieldEnd));
    return sum.Finish();
}

void PeChecksumSum::Add(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        sum_ += odd_ ? std::uint32_t{byte} << 8 : byte;
        if (odd_) sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
        odd_ = !odd_;
    }
    length_ += bytes.size();
}

std::uint32_t PeChecksumSum::Finish() const {
    std::uint64_t sum = (sum_ & 0xFFFF) + (sum_ >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + length_);
}

}  // namespace resedit
