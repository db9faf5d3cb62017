// The texts that go into the sample container, checked as committed: the install
// document byte for byte and as the program reads it, and the license text.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "install/InstallDocument.h"

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

std::string ContentFile(const char* name) { return std::string(TOLVIK_RESOURCES_DIR) + "/content/" + name; }

// Every LF must follow a CR and every CR must precede an LF.
bool HasOnlyCrLfLineEnds(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

bool IsPrintableAsciiText(const std::string& text) {
    for (unsigned char c : text) {
        if (c != '\r' && c != '\n' && (c < 0x20 || c > 0x7E)) return false;
    }
    return true;
}

TEST(InstallDocumentFile, HasTheSixteenLinesWithCrLfAndNoFinalLineEnd) {
    const auto text = ReadWholeFile(ContentFile("Data.idoc"));
    ASSERT_TRUE(text) << "cannot read Data.idoc";
    EXPECT_EQ(text->size(), 451u);
    EXPECT_TRUE(HasOnlyCrLfLineEnds(*text));
    EXPECT_TRUE(IsPrintableAsciiText(*text));
    ASSERT_FALSE(text->empty());
    EXPECT_NE(text->back(), '\n');

    std::size_t lines = 1;
    for (char c : *text) lines += c == '\n';
    EXPECT_EQ(lines, 16u);
    EXPECT_EQ(text->substr(0, 15), "//install doc\r\n");
    EXPECT_EQ(text->substr(text->size() - 49), "lic,License.txt,pit,t,f,License & Reg.Information");
}

TEST(InstallDocumentFile, ReadsAsThePellumarProduct) {
    const auto text = ReadWholeFile(ContentFile("Data.idoc"));
    ASSERT_TRUE(text);
    install::InstallDocument document;
    document.Parse(*text);

    EXPECT_FALSE(document.IsDamaged()) << document.DamageReason();
    EXPECT_EQ(document.productName, "Tolvik Pellumar 1.0 Setup");
    EXPECT_EQ(document.registryRecord, "Pellumar");
    EXPECT_EQ(document.defaultFolder, "Tolvik\\Pellumar");
    EXPECT_EQ(document.groupName, "Tolvik Pellumar 1.0");
    EXPECT_EQ(document.installPathType, install::FolderKind::ProgramFiles);
    EXPECT_EQ(install::InstallDocument::DefaultDestinationFor(document.installPathType,
                                                              std::string("C:\\Program Files"),
                                                              document.defaultFolder),
              "C:\\Program Files\\Tolvik\\Pellumar");

    struct Expected {
        const char* key;
        const char* fileName;
        bool startMenu;
        bool desktop;
        const char* shortcutName;
    };
    const Expected expected[] = {
        {"prg", "Pellumar.exe", true, true, "Tolvik Pellumar 1.0"},
        {"lic", "License.txt", true, false, "License & Reg.Information"},
    };
    ASSERT_EQ(document.entries.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].key);
        const install::PayloadEntry& entry = document.entries[i];
        EXPECT_EQ(entry.key, expected[i].key);
        EXPECT_EQ(entry.fileName, expected[i].fileName);
        EXPECT_EQ(entry.folderKind, install::FolderKind::InstallFolder);
        EXPECT_EQ(entry.startMenuShortcut, expected[i].startMenu);
        EXPECT_EQ(entry.desktopShortcut, expected[i].desktop);
        EXPECT_EQ(entry.shortcutName, expected[i].shortcutName);
    }
}

// The License dialog shows the text in a multi-line edit, which breaks lines
// only at CR LF; the installed License.txt is the same bytes.
TEST(LicenseFile, IsPlainAsciiWithCrLfLineEnds) {
    const auto text = ReadWholeFile(ContentFile("License.txt"));
    ASSERT_TRUE(text) << "cannot read License.txt";
    EXPECT_GT(text->size(), 200u);
    EXPECT_TRUE(HasOnlyCrLfLineEnds(*text));
    EXPECT_TRUE(IsPrintableAsciiText(*text));
    EXPECT_NE(text->find("Pellumar"), std::string::npos);
}

}  // namespace
