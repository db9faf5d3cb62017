#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "storage/Sha256.h"
#include "tools/tkds/WingetManifest.h"

namespace tkds {
namespace {

std::string HashOf(const std::string& text) {
    return storage::Sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(Sha256, KnownDigestsAcrossBlockBoundaries) {
    EXPECT_EQ(HashOf(""), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(HashOf("abc"), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    // 56 bytes: the length no longer fits the first padded block.
    EXPECT_EQ(HashOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
    EXPECT_EQ(HashOf(std::string(1000000, 'a')), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
    // Fed in uneven pieces, as a file is read in chunks: the same digest.
    const std::string text(1000000, 'a');
    storage::Sha256Hasher hasher;
    for (std::size_t at = 0; at < text.size(); at += 70001) {
        const std::size_t size = std::min<std::size_t>(70001, text.size() - at);
        hasher.Add({reinterpret_cast<const std::uint8_t*>(text.data()) + at, size});
    }
    EXPECT_EQ(storage::HexDigest(hasher.Finish()), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
}

TEST(WingetManifest, QuotingKeepsEveryTextOneScalar) {
    EXPECT_EQ(YamlQuoted("Tolvik"), "\"Tolvik\"");
    EXPECT_EQ(YamlQuoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(YamlQuoted("x\ny: 1\t#"), "\"x\\x0Ay: 1\\x09#\"");
    EXPECT_EQ(YamlQuoted("\xC2\x85|\xE2\x80\xA8|\xE2\x80\xA9|\xC3\xA9"), "\"\\N|\\L|\\P|\xC3\xA9\"");
    EXPECT_EQ(AnsiToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");  // Windows-1252
}

WingetPackage GoodPackage() {
    WingetPackage p;
    p.packageId = "Tolvik.Pellumar";
    p.packageVersion = "1.0.0.0";
    p.publisher = "Tolvik";
    p.packageName = "Tolvik Pellumar 1.0";
    p.license = "Proprietary";
    p.shortDescription = "The demo product";
    p.architecture = "x64";
    p.installerUrl = "https://example.com/setup.exe";
    p.installerSha256 = std::string(64, 'A');
    p.productCode = "Pellumar";
    p.displayName = "Tolvik Pellumar 1.0 (Remove Only)";
    p.displayVersion = "1.0.0.0";
    return p;
}

TEST(WingetManifest, FieldsBreakingTheSchemasAreRefused) {
    std::string error;
    EXPECT_TRUE(CheckWingetPackage(GoodPackage(), error)) << error;
    const struct {
        void (*change)(WingetPackage&);
        const char* says;
    } cases[] = {
        {[](WingetPackage& p) { p.packageId = "Pellumar"; }, "--package-id"},
        {[](WingetPackage& p) { p.packageId = "Tolvik.Pel lumar"; }, "--package-id"},
        {[](WingetPackage& p) { p.packageId = "A.B.C.D.E.F.G.H.I"; }, "--package-id"},
        {[](WingetPackage& p) { p.installerUrl = "ftp://example.com/s.exe"; }, "--installer-url"},
        {[](WingetPackage& p) { p.installerUrl = "https://example.com/a b.exe"; }, "--installer-url"},
        {[](WingetPackage& p) { p.locale = "en_US"; }, "--locale"},
        {[](WingetPackage& p) { p.license = "MI"; }, "--license"},
        {[](WingetPackage& p) { p.publisher = "T"; }, "--company"},
        {[](WingetPackage& p) { p.shortDescription = std::string(257, 'x'); }, "--short-description"},
    };
    for (const auto& c : cases) {
        WingetPackage p = GoodPackage();
        c.change(p);
        error.clear();
        EXPECT_FALSE(CheckWingetPackage(p, error)) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

TEST(WingetManifest, ThreeFilesNamedAfterThePackage) {
    const std::vector<WingetFile> files = WingetManifests(GoodPackage());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "Tolvik.Pellumar.yaml");
    EXPECT_EQ(files[1].name, "Tolvik.Pellumar.installer.yaml");
    EXPECT_EQ(files[2].name, "Tolvik.Pellumar.locale.en-US.yaml");
    EXPECT_NE(files[1].text.find("  Log: \"/LOG=\\\"<LOGPATH>\\\"\"\n"), std::string::npos);
    EXPECT_NE(files[1].text.find("- InstallerReturnCode: 1618\n  ReturnResponse: installInProgress\n"), std::string::npos);
}

}  // namespace
}  // namespace tkds
