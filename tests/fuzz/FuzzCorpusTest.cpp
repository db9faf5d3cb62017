// The fuzzers' committed inputs, run through the same checks as the fuzzers
// (FuzzChecks.h), each with the outcome it must have: a sound result, a refused
// document with its message, or a false result with its reason. Every file of
// each corpus folder must be listed here, so a new bad input comes with its
// expected outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzChecks.h"

namespace fuzz {
namespace {

using namespace std::string_literals;

const std::filesystem::path kCorpus = TOLVIK_FUZZ_CORPUS;

std::vector<std::uint8_t> ReadCorpusFile(const std::string& folder, const std::string& name) {
    std::ifstream in(kCorpus / folder / name, std::ios::binary);
    EXPECT_TRUE(in.good()) << folder << "/" << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The files of a corpus folder that no table row names.
template <typename Row>
std::set<std::string> Unlisted(const std::string& folder, const std::vector<Row>& rows) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus / folder))
        names.insert(entry.path().filename().string());
    for (const Row& row : rows) names.erase(row.file);
    return names;
}

const std::string kRecordMissing = "Install document: there is no \"regrecord=\" line naming the uninstall record.";
const std::string kSixFields =
    ": a payload line needs six fields: key, file name, folder, start menu, desktop, shortcut name.";

const std::string kStayInside =
    " must stay inside its folder (no leading, trailing or doubled \\ or /, no \".\" or \"..\" part).";
const std::string kForbiddenCharacter = " holds one of < > : \" | ? * or a control character.";
const std::string kOneName = " must be one name, without \\ or /.";

struct DocumentRow {
    std::string file;
    std::string reason;  // empty: a sound document
    std::size_t entries;
    std::uint32_t kilobytes;
    std::string destination;
};

const std::vector<DocumentRow> kDocuments = {
    {"shipped.idoc", "", 2, 1, "C:\\Program Files\\Tolvik\\Pellumar"},
    {"empty.idoc", kRecordMissing, 0, 0, "C:\\Program Files\\"},
    {"comments-only.idoc", kRecordMissing, 0, 0, "C:\\Program Files\\"},
    {"no-groupname.idoc", "Install document: there is no \"groupname=\" line naming the program group.", 1, 0,
     "C:\\Program Files\\"},
    {"short-payload-line.idoc", "Install document, line 3" + kSixFields, 0, 0, "C:\\Program Files\\"},
    {"blank-shortcut-name.idoc", "Install document, line 3" + kSixFields, 0, 0, "C:\\Program Files\\"},
    {"unknown-folder-word.idoc", "Install document, line 3: \"PIT\" is not a folder (pit, pf, ps or wn).", 0, 0,
     "C:\\Program Files\\"},
    {"file-name-leaves-folder.idoc",
     "Install document, line 3: the file name \"..\\..\\Windows\\evil.exe\"" + kStayInside, 0, 0,
     "C:\\Program Files\\"},
    {"absolute-file-name.idoc", "Install document, line 3: the file name \"C:\\evil.exe\"" + kForbiddenCharacter, 0,
     0, "C:\\Program Files\\"},
    {"shortcut-name-with-slash.idoc", "Install document, line 3: the shortcut name \"a/b\"" + kOneName, 0, 0,
     "C:\\Program Files\\"},
    {"record-name-with-backslash-end.idoc", "Install document, line 1: the uninstall record name \"Pellumar\\\"" + kStayInside,
     0, 0, "C:\\Program Files\\"},
    {"group-leaves-folder.idoc", "Install document, line 2: the program group \"..\\Startup\"" + kOneName, 0, 0,
     "C:\\Program Files\\"},
    {"nested-group.idoc", "Install document, line 2: the program group \"Tolvik\\Pellumar\"" + kOneName, 0, 0,
     "C:\\Program Files\\"},
    {"device-file-name.idoc", "Install document, line 3: the file name \"NUL.txt\" names the device NUL.", 0, 0,
     "C:\\Program Files\\"},
    {"trailing-dot-file-name.idoc",
     "Install document, line 3: the file name \"License.txt.\" has a part ending in a dot or a blank, which Windows "
     "drops.",
     0, 0, "C:\\Program Files\\"},
    {"default-folder-leaves.idoc",
     "Install document, line 4: the default folder \"..\\..\\Windows\\System32\"" + kStayInside, 0, 0,
     "C:\\Program Files\\..\\..\\Windows\\System32"},
    {"missing-payload-node.idoc", "Install document, line 4: the data \"Data.lost?\" could not be read.", 1, 0,
     "C:\\Program Files\\"},
    {"cr-only-line-ends.idoc", "", 1, 0, ""},
    {"commas-and-blanks.idoc", "Install document, line 3: \"P.exe\" is not a folder (pit, pf, ps or wn).", 0, 0,
     "C:\\Program Files\\"},
    {"zero-bytes.idoc", "Install document, line 4: the file name \"F\0\""s + kForbiddenCharacter, 0, 0,
     "C:\\Program Files\\"},
    {"high-bytes.idoc", "", 1, 0, "C:\\Program Files\\"},
};

TEST(FuzzCorpus, InstallDocuments) {
    for (const DocumentRow& row : kDocuments) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadCorpusFile("install_document", row.file);
        const DocumentOutcome outcome = CheckInstallDocument(bytes.data(), bytes.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_EQ(outcome.damaged, !row.reason.empty());
        EXPECT_EQ(outcome.reason, row.reason);
        if (!row.reason.empty()) EXPECT_EQ(outcome.messages, std::vector<std::string>{row.reason});
        EXPECT_EQ(outcome.entries, row.entries);
        EXPECT_EQ(outcome.requiredKilobytes, row.kilobytes);
        EXPECT_EQ(outcome.defaultDestination, row.destination);
    }
    EXPECT_EQ(Unlisted("install_document", kDocuments), std::set<std::string>{});
}

struct ImageRow {
    std::string file;
    bool loaded;
    int width;
    int height;
    bool hasAlpha;
};

const std::vector<ImageRow> kImages = {
    {"valid-24bit.dib", true, 5, 3, false},
    {"valid-32bit.dib", true, 3, 2, true},
    {"valid-format1.dib", true, 2, 2, false},
    {"small-font.dib", true, 10, 10, false},
    {"font-sized.dib", true, 504, 13, false},
    {"header-only.dib", false, 0, 0, false},
    {"short-header.dib", false, 0, 0, false},
    {"wrong-tag.dib", false, 0, 0, false},
    {"zero-width.dib", false, 0, 0, false},
    {"negative-height.dib", false, 0, 0, false},
    {"rows-missing.dib", false, 0, 0, false},
    {"rows-without-padding.dib", false, 0, 0, false},
    {"huge-size.dib", false, 0, 0, false},
    {"stride-overflow.dib", false, 0, 0, false},
};

TEST(FuzzCorpus, ImageRecords) {
    for (const ImageRow& row : kImages) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadCorpusFile("image_record", row.file);
        const ImageRecordOutcome outcome = CheckImageRecord(bytes.data(), bytes.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_EQ(outcome.loaded, row.loaded);
        EXPECT_EQ(outcome.status, row.loaded ? "Ok" : "Incorrect function call...");
        EXPECT_EQ(outcome.width, row.width);
        EXPECT_EQ(outcome.height, row.height);
        EXPECT_EQ(outcome.hasAlpha, row.hasAlpha);
    }
    EXPECT_EQ(Unlisted("image_record", kImages), std::set<std::string>{});
}

struct UninstallLogRow {
    std::string file;
    std::size_t folders, files, shortcuts, refused, undetermined;
};

const std::vector<UninstallLogRow> kUninstallLogs = {
    {"shipped.log", 2, 2, 1, 0, 0},
    {"many-files.log", 1, 400, 0, 0, 0},
    // Other vendors' paths, drive roots, the Windows and shell folders, "..", wildcards, over-long paths.
    {"hostile.log", 30, 18, 1, 184, 0},
    // No counts at all: taken up to the first gap, and each missing count reported.
    {"no-totals.log", 300, 40, 0, 0, 5},
    {"count-too-large.log", 1, 1, 1, 0, 3},
    {"values-missing.log", 100, 150, 0, 0, 3},
    {"deep-folders.log", 60, 60, 0, 2, 0},
    {"empty.log", 0, 0, 0, 0, 5},
    {"odd-bytes.log", 0, 0, 0, 4, 2},
};

TEST(FuzzCorpus, UninstallLogs) {
    for (const UninstallLogRow& row : kUninstallLogs) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadCorpusFile("uninstall_log", row.file);
        const UninstallLogOutcome outcome = CheckUninstallLog(bytes.data(), bytes.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_EQ(outcome.folders, row.folders);
        EXPECT_EQ(outcome.files, row.files);
        EXPECT_EQ(outcome.shortcuts, row.shortcuts);
        EXPECT_EQ(outcome.refused, row.refused);
        EXPECT_EQ(outcome.undetermined, row.undetermined);
    }
    EXPECT_EQ(Unlisted("uninstall_log", kUninstallLogs), std::set<std::string>{});
}

#ifdef TKDS_HAVE_PNG
struct PngRow {
    std::string file;
    std::string error;  // empty: read, with this size
    std::uint32_t width;
    std::uint32_t height;
};

const std::vector<PngRow> kPngs = {
    {"valid-rgba.png", "", 3, 2},
    {"valid-rgb.png", "", 4, 3},
    {"valid-gray16.png", "", 2, 2},
    {"valid-gray1bit.png", "", 9, 2},
    {"valid-palette-trns.png", "", 4, 1},
    {"valid-interlaced.png", "", 5, 5},
    {"not-a-png.png", "not a PNG file", 0, 0},
    {"truncated-signature.png", "not a PNG file", 0, 0},
    {"signature-only.png", "Read Error", 0, 0},
    {"bad-ihdr-crc.png", "IHDR: CRC error", 0, 0},
    {"zero-width.png", "Invalid IHDR data", 0, 0},
    {"bad-color-type.png", "Invalid IHDR data", 0, 0},
    {"bad-bit-depth.png", "Invalid IHDR data", 0, 0},
    {"ends-after-ihdr.png", "Read Error", 0, 0},
    {"idat-too-short.png", "Not enough image data", 0, 0},
    {"idat-not-zlib.png", "IDAT: incorrect header check", 0, 0},
    {"palette-index-out-of-range.png", "", 2, 1},
    {"palette-missing.png", "IDAT: Missing PLTE before IDAT", 0, 0},
    {"huge-claimed-size.png", "picture too large (60000 x 60000: more than 64 MB as 8-bit RGBA)", 0, 0},
    {"wide-claimed-size.png", "picture too large (65535 x 4000: more than 64 MB as 8-bit RGBA)", 0, 0},
    {"no-iend.png", "Read Error", 0, 0},
    // Found by the fuzzer: a text chunk whose length claims 1.6 GB, in a 107-byte file.
    {"huge-text-chunk.png", "Read Error", 0, 0},
};

TEST(FuzzCorpus, PngNodes) {
    for (const PngRow& row : kPngs) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadCorpusFile("png_node", row.file);
        const PngOutcome outcome = CheckPngNode(bytes.data(), bytes.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_EQ(outcome.read, row.error.empty());
        EXPECT_EQ(outcome.error, row.error);
        EXPECT_EQ(outcome.width, row.width);
        EXPECT_EQ(outcome.height, row.height);
    }
    EXPECT_EQ(Unlisted("png_node", kPngs), std::set<std::string>{});
}
#endif

#ifdef TOLVIK_HAVE_RESEDIT
struct PeRow {
    std::string file;
    std::string error;  // empty: read and written
    std::size_t resources;
};

const std::vector<PeRow> kPes = {
    {"mingw-x86-reloc-after-rsrc.exe", "", 4},
    {"mingw-x64-rsrc-last.exe", "", 4},
    {"mingw-x86-no-resources.exe", "", 0},
    {"not-pe.exe", "not a PE file (too short for its DOS header)", 0},
    {"truncated.exe", "section 4 (\".idata\")'s data goes past the end of the file (truncated?)", 0},
    {"appended-data.exe", "9 bytes follow the image (appended data or a signature): sign after make, never before", 0},
    {"too-many-sections.exe", "the PE header declares 200 sections (1 to 96 are valid)", 0},
    {"tree-loop.exe", "a resource directory is reached twice (a loop or a shared subtree)", 0},
    {"tree-two-levels.exe", "the resource tree is not three levels deep (at a name entry)", 0},
    // Found by the fuzzer: a section name's raw bytes (a line break) went into the one-line reason.
    // Found by the fuzzer: directories or an entry point outside every section, which a
    // grown or added resource section came to overlap, so that each rewrite added
    // another section instead of rewriting its own.
    {"empty-debug-directory.exe", "data directory 6 points outside every section", 0},
    {"directory-outside-sections.exe", "data directory 12 points outside every section", 0},
    {"entry-point-outside-sections.exe", "the entry point lies outside every section", 0},
    {"relocations-shorter-than-a-block.exe", "", 0},
    // Found by the fuzzer: SizeOfInitializedData near 4 GB wrapped around when the section grew.
    {"initialized-data-size-at-limit.exe", "", 4},
    {"section-name-with-line-break.exe", "section 1 (\"e.???$\")'s data overlaps the headers or the section before it", 0},
};

TEST(FuzzCorpus, PeResources) {
    for (const PeRow& row : kPes) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadCorpusFile("pe_resources", row.file);
        const PeOutcome outcome = CheckPeResources(bytes.data(), bytes.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_EQ(outcome.parsed, row.error.empty());
        EXPECT_EQ(outcome.error, row.error);
        EXPECT_EQ(outcome.resources, row.resources);
    }
    EXPECT_EQ(Unlisted("pe_resources", kPes), std::set<std::string>{});
}
#endif

#ifdef TOLVIK_HAVE_TKDS
struct ManifestRow {
    std::string file;
    std::size_t entries;
    std::size_t errors;
    std::string firstError;  // "LINE: reason"; empty when the manifest passed
};

// The large ones reach past the 4 KB that libFuzzer would otherwise cap its inputs at.
const std::vector<ManifestRow> kManifests = {
    {"shipped.manifest", 21, 0, ""},
    {"large-tree.manifest", 121, 0, ""},
    {"long-quoted-value.manifest", 3, 0, ""},
    {"late-repeated-id.manifest", 122, 1, "123: id 17 already used on line 18"},
    {"unterminated-quote.manifest", 1, 1, "2: unterminated quote"},
    {"undefined-variable.manifest", 1, 1, "2: undefined variable 'MISSING' (define it with -D MISSING=...)"},
    {"missing-parent.manifest", 1, 1, "1: parent 'A' is not in the manifest"},
    {"parent-not-folder.manifest", 2, 1, "2: parent 'A' is not a Folder (line 1)"},
    {"bad-id.manifest", 0, 2, "1: id must be a whole number from 1 to 4294967295, found '0'"},
    {"folder-with-data.manifest", 0, 1, "1: a Folder takes no value="},
    {"value-and-file.manifest", 0, 1, "1: give either value= or file=, not both"},
    {"integer-not-number.manifest", 0, 2, "1: value must be a 32-bit decimal integer, found '12x'"},
    {"convert-on-string.manifest", 0, 1, "1: convert= applies to a Binary node read from a PNG file="},
    {"unknown-type.manifest", 0, 2, "1: unknown type 'Thing' (Integer, String, Binary, Folder or Tree)"},
    {"two-trees.manifest", 4, 0, ""},
    {"tree-options.manifest", 2, 3, "2: a Tree takes only dir= and compress=, not id= (tkds chooses the ids)"},
    {"empty-segment.manifest", 0, 1, "1: empty name in path 'A..B'"},
    {"zero-byte.manifest", 0, 1, "1: zero byte in path"},
};

TEST(FuzzCorpus, Manifests) {
    for (const ManifestRow& row : kManifests) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadCorpusFile("manifest", row.file);
        const ManifestOutcome outcome = CheckManifest(bytes.data(), bytes.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_EQ(outcome.passed, row.errors == 0);
        EXPECT_EQ(outcome.entries, row.entries);
        EXPECT_EQ(outcome.errors, row.errors);
        EXPECT_EQ(outcome.firstError, row.firstError);
    }
    EXPECT_EQ(Unlisted("manifest", kManifests), std::set<std::string>{});
}
#endif

}  // namespace
}  // namespace fuzz
