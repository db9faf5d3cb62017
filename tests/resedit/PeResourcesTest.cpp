// Round trips of the resource editor over real PE files (ours, and stubs that
// another toolchain made), each result checked by pefile, wrestool and objdump
// (check_pe.py), and the inputs it must refuse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>

#include "install/ProgramFileVersion.h"
#include "storage/ContainerFormat.h"
#include "tools/resedit/PeResources.h"
#include "tools/tkds/VersionResource.h"

namespace {

namespace fs = std::filesystem;
using resedit::PeFile;
using resedit::Resource;
using resedit::ResourceKey;

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string KeyText(const ResourceKey& key) {
    return key.id ? std::to_string(*key.id) : std::string(key.Name().begin(), key.Name().end());
}

// Writes `file` and the resources it must hold, then runs the independent checks.
void CheckWithOtherTools(const fs::path& folder, const std::vector<std::uint8_t>& file,
                         const std::vector<Resource>& expected, const fs::path& original) {
    fs::remove_all(folder);
    fs::create_directories(folder / "expected");
    WriteAll(folder / "file.exe", file);
    for (const Resource& r : expected)
        WriteAll(folder / "expected" / (KeyText(r.type) + "," + KeyText(r.name) + "," + std::to_string(r.language)),
                 r.data);
    const std::string command = std::string(TOLVIK_PYTHON) + " '" + TOLVIK_CHECK_PE + "' '" +
                                (folder / "file.exe").string() + "' '" + (folder / "expected").string() + "' '" +
                                original.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t state) {
    std::vector<std::uint8_t> bytes(size);  // a pseudo-random pattern, the same on every run
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

std::vector<std::string> Samples() {
    std::vector<std::string> files;
    std::stringstream list(TOLVIK_RESEDIT_SAMPLES);
    for (std::string file; std::getline(list, file, '|');) files.push_back(file);
    return files;
}

TEST(PeResources, RoundTripsRealFiles) {
    const fs::path work = fs::path(::testing::TempDir()) / "resedit-round-trips";
    const std::vector<std::string> samples = Samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::string& path = samples[i];
        SCOPED_TRACE(path);
        const auto original = ReadAll(path);
        PeFile pe;
        std::string error;
        ASSERT_TRUE(PeFile::Parse(original, pe, error)) << error;
        EXPECT_EQ(pe.Machine(), pe.IsPe32Plus() ? 0x8664 : 0x014C);
        const std::vector<Resource> kept = pe.Resources();
        ASSERT_FALSE(kept.empty());
        const fs::path folder = work / (std::to_string(i) + "-" + fs::path(path).filename().string());

        // Unchanged: every resource survives, and writing the result again gives the same bytes.
        std::vector<std::uint8_t> unchanged;
        ASSERT_TRUE(pe.Write(unchanged, error)) << error;
        PeFile again;
        ASSERT_TRUE(PeFile::Parse(unchanged, again, error)) << error;
        EXPECT_TRUE(again.Resources() == kept);
        std::vector<std::uint8_t> rewritten;
        ASSERT_TRUE(again.Write(rewritten, error)) << error;
        EXPECT_EQ(rewritten, unchanged);
        CheckWithOtherTools(folder / "unchanged", unchanged, kept, path);

        // Edited: a large container (new, or in place of our programs' own), a named name in three languages, a replaced resource.
        const ResourceKey storage = ResourceKey::Named(u"STORAGE");
        const bool hadStorage = pe.Find(storage, ResourceKey::Number(129), 1033) != nullptr;
        pe.SetResource({storage, ResourceKey::Number(129), 1033, 0, Pattern(3 << 20, 1)});
        for (std::uint16_t language : {0x407, 0x409, 0x40C})
            pe.SetResource({ResourceKey::Number(10), ResourceKey::Named(u"PELLUMAR"), language, 0,
                            Pattern(100 + language % 7, language)});
        Resource replaced = kept.front();
        replaced.data = Pattern(777, 7);
        pe.SetResource(replaced);
        ASSERT_EQ(pe.Resources().size(), kept.size() + 4 - hadStorage);
        std::vector<std::uint8_t> edited;
        ASSERT_TRUE(pe.Write(edited, error)) << error;
        PeFile back;
        ASSERT_TRUE(PeFile::Parse(edited, back, error)) << error;
        EXPECT_TRUE(back.Resources() == pe.Resources());
        CheckWithOtherTools(folder / "edited", edited, pe.Resources(), path);

        // A container of an odd size streamed from a source while the file is written:
        // the bytes and the checksum of the file written in memory.
        const std::vector<std::uint8_t> odd = Pattern((3 << 20) + 5, 2);
        PeFile inMemory = pe;
        inMemory.SetResource({storage, ResourceKey::Number(129), 1033, 0, odd});
        std::vector<std::uint8_t> whole;
        ASSERT_TRUE(inMemory.Write(whole, error)) << error;
        ::storage::SpanSource source(odd);
        PeFile streamed = pe;
        streamed.SetResource({storage, ResourceKey::Number(129), 1033, 0, {}, &source});
        ::storage::VectorSink sink;
        ASSERT_TRUE(streamed.Write(sink, error)) << error;
        EXPECT_EQ(sink.Bytes(), whole);

        // Taking the edits back shrinks the file back to the unchanged one.
        EXPECT_EQ(back.RemoveType(storage), 1u);
        EXPECT_EQ(back.RemoveResource(ResourceKey::Number(10), ResourceKey::Named(u"PELLUMAR")), 3u);
        for (const Resource& r : kept) back.SetResource(r);
        std::vector<std::uint8_t> shrunk;
        ASSERT_TRUE(back.Write(shrunk, error)) << error;
        EXPECT_EQ(shrunk, unchanged);
    }
    if (!HasFailure()) fs::remove_all(work);  // kept for a look when something failed
}

// A mutation of a real stub and the reason it must be refused with.
struct BadInput {
    std::string what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::string reason;  // a part of the one-line reason
};

std::size_t OptionalAt(const std::vector<std::uint8_t>& f) { return storage::LoadLE32(f.data() + 0x3C) + 24; }

TEST(PeResources, RefusesWhatItCannotRewrite) {
    const auto stub = ReadAll(TOLVIK_NSIS_STUB_X86);
    auto directory = [](std::vector<std::uint8_t>& f, std::size_t index) { return f.data() + OptionalAt(f) + 96 + index * 8; };
    const std::vector<BadInput> cases = {
        {"text", [](auto& f) { f.assign({'h', 'e', 'l', 'l', 'o'}); }, "not a PE file (no \"MZ\" header)"},
        {"no PE signature", [](auto& f) { f[storage::LoadLE32(f.data() + 0x3C)] = 'X'; }, "no \"PE\" signature"},
        {"header past the end", [](auto& f) { storage::StoreLE32(f.data() + 0x3C, 0x7FFFFFF0); }, "lies past the end"},
        {"truncated", [](auto& f) { f.resize(f.size() - 1000); }, "goes past the end of the file (truncated?)"},
        {"appended data", [](auto& f) { f.insert(f.end(), 16, 0xAA); }, "16 bytes follow the image"},
        {"signed", [&](auto& f) { storage::StoreLE32(directory(f, 4) + 4, 0x100); }, "sign after make, never before"},
        {"wrong SizeOfImage", [](auto& f) { storage::StoreLE32(f.data() + OptionalAt(f) + 56, 0x1000); },
         "SizeOfImage 0x1000 does not match"},
        {"bad magic", [](auto& f) { f[OptionalAt(f)] = 0x07; }, "unknown optional header magic"},
        {"resource tree loops", [&](auto& f) {
             // The first type entry points back at the root directory.
             const std::uint32_t rva = storage::LoadLE32(directory(f, 2));
             const std::size_t root = rva - 0x45000 + 0x15800;  // .rsrc of this stub: RVA 0x45000, file 0x15800
             storage::StoreLE32(f.data() + root + 16 + 4, 0x80000000u);
         }, "reached twice"},
        {"resource data outside the file", [&](auto& f) {
             const std::size_t root = storage::LoadLE32(directory(f, 2)) - 0x45000 + 0x15800;
             // Walk type -> name -> language of the first entries to the first data entry.
             std::size_t dir = root + (storage::LoadLE32(f.data() + root + 20) & 0x7FFFFFFF);
             dir = root + (storage::LoadLE32(f.data() + dir + 20) & 0x7FFFFFFF);
             const std::size_t data = root + storage::LoadLE32(f.data() + dir + 20);
             storage::StoreLE32(f.data() + data, 0x7FFF0000);
         }, "lies outside the file's sections"},
    };
    PeFile pe;
    std::string error;
    ASSERT_TRUE(PeFile::Parse(stub, pe, error)) << error;
    const std::vector<Resource> before = pe.Resources();
    for (const BadInput& bad : cases) {
        SCOPED_TRACE(bad.what);
        auto bytes = stub;
        bad.damage(bytes);
        error.clear();
        EXPECT_FALSE(PeFile::Parse(bytes, pe, error));
        EXPECT_NE(error.find(bad.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_TRUE(pe.Resources() == before);  // a failed Parse leaves its output alone
    }
}

// The setup's own reader of a program's file version (install/ProgramFileVersion.h),
// over the same real files with a version resource that this editor wrote (tkds's
// writer made its bytes), and over such a file damaged: cut at every length and
// with single bytes changed, where it must give no result or the right one and
// never read outside the bytes.
constexpr std::uint16_t kVersionType = 16;
constexpr std::uint64_t kVersion = 0x0003000400050006;  // 3.4.5.6

// The sample with its version information replaced by one of version 3.4.5.6, or removed.
std::vector<std::uint8_t> WithVersion(const std::vector<std::uint8_t>& original, bool keep) {
    PeFile pe;
    std::string error;
    EXPECT_TRUE(PeFile::Parse(original, pe, error)) << error;
    pe.RemoveType(ResourceKey::Number(kVersionType));
    if (keep) {
        tkds::VersionInfo info;
        info.fileVersion = {3, 4, 5, 6};
        info.productVersion = {1, 0, 0, 0};
        info.strings = {{u"FileVersion", u"3.4.5.6"}};
        pe.SetResource({ResourceKey::Number(kVersionType), ResourceKey::Number(1), 0x0409, 1200,
                        tkds::BuildVersionResource(info)});
    }
    std::vector<std::uint8_t> out;
    EXPECT_TRUE(pe.Write(out, error)) << error;
    return out;
}

TEST(ProgramFileVersion, ReadsTheVersionTheEditorWroteIntoRealPrograms) {
    for (const std::string& path : Samples()) {
        SCOPED_TRACE(path);
        const std::vector<std::uint8_t> original = ReadAll(path);
        EXPECT_EQ(install::ReadProgramFileVersion(WithVersion(original, true)), kVersion);
        EXPECT_EQ(install::ReadProgramFileVersion(WithVersion(original, false)), std::nullopt);
    }
}

#ifdef TOLVIK_UNINSTALLER
TEST(ProgramFileVersion, TheUninstallerCarriesVersionOnePointTwo) {
    // Setup keeps an installed uninstaller only when it is newer than this: 1.2
    // knows the current user's records, so it replaces an installed 1.1.
    EXPECT_EQ(install::ReadProgramFileVersion(ReadAll(TOLVIK_UNINSTALLER)), 0x0001000200000000u);
}
#endif

TEST(ProgramFileVersion, DamagedProgramsGiveNothingOrTheVersion) {
    const std::vector<std::uint8_t> program = WithVersion(ReadAll(Samples().front()), true);
    // Cut at every length: no result until the bytes it needs are all there, and
    // the version from then on, whatever follows.
    std::size_t firstComplete = 0;
    for (std::size_t length = 0; length <= program.size(); ++length) {
        const auto version = install::ReadProgramFileVersion(std::span(program).first(length));
        if (!firstComplete && version) firstComplete = length;
        if (firstComplete) {
            ASSERT_EQ(version, kVersion) << length;
        } else {
            ASSERT_EQ(version, std::nullopt) << length;
        }
    }
    EXPECT_GT(firstComplete, 0u);
    // One byte changed in turn, to values that make offsets and counts large or
    // zero, in the headers and the resource tree and then every 61st byte: the
    // reader may lose the version but never reads outside the bytes (the native
    // tests run with the address sanitizer).
    std::vector<std::uint8_t> damaged = program;
    std::size_t found = 0;
    for (std::size_t at = 0; at < damaged.size(); at += (at < 4096 ? 1 : 61)) {
        for (const std::uint8_t value : {std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x00}}) {
            const std::uint8_t kept = damaged[at];
            damaged[at] = value;
            found += install::ReadProgramFileVersion(damaged).has_value();
            damaged[at] = kept;
        }
    }
    EXPECT_GT(found, 0u);
    const std::uint8_t notPe[] = {'M', 'Z', 0, 0};
    EXPECT_EQ(install::ReadProgramFileVersion(notPe), std::nullopt);
    EXPECT_EQ(install::ReadProgramFileVersion({}), std::nullopt);
}

}  // namespace
