// Manifests built into containers and read back through the reader.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/Storage.h"
#include "tests/tkds/TempFolder.h"
#include "tools/tkds/Manifest.h"
#include "tools/tkds/ManifestBuilder.h"
#include "tools/tkds/TreeExpansion.h"
#ifdef TKDS_HAVE_PNG
#include "tools/tkds/PngFile.h"
#endif

namespace tkds {
namespace {

using test::TempFolder;

bool Build(std::string_view manifest, const std::string& baseDir, std::vector<std::uint8_t>& container,
           std::vector<ManifestError>& errors, const Defines& defines = {}) {
    std::vector<ManifestEntry> entries;
    StreamPlan stream;
    return ParseManifest(manifest, defines, entries, errors) &&
           BuildContainer(entries, baseDir, container, stream, errors);
}

TEST(ManifestBuilder, NodesReadBackThroughTheReader) {
    TempFolder folder;
    folder.Write("data/doc.txt", std::string("line one\r\nline two\0tail", 24));
    folder.Write("prog.bin", std::string(3000, 'p'));
    std::vector<std::uint8_t> container;
    std::vector<ManifestError> errors;
    ASSERT_TRUE(Build("Sizes.1x Integer id=3 value=450\n"
                      "Sizes Folder id=2\n"
                      "Data Folder id=116\n"
                      "Data.idoc String id=126 compress=yes file=data/doc.txt\n"
                      "Data.prg Binary id=130 compress=yes file=${PRG}\n"
                      "Secret String id=140 compress=yes password=\"pw\" value=\"hello\"\n"
                      "Neg Integer id=7 value=-5 password=\n",
                      folder.Path(), container, errors, {{"PRG", folder / "prog.bin"}}))
        << (errors.empty() ? "" : errors[0].reason);

    storage::Storage s;
    ASSERT_TRUE(s.OpenBytes(container.data(), container.size()));
    std::int32_t value = 0;
    ASSERT_TRUE(s.GetInteger("Sizes.1x", value, ""));
    EXPECT_EQ(value, 450);
    ASSERT_TRUE(s.GetInteger("Neg", value, ""));  // enciphered under the empty password
    EXPECT_EQ(value, -5);
    std::string text;
    ASSERT_TRUE(s.GetString("Data.idoc", text, ""));
    EXPECT_EQ(text, "line one\r\nline two");
    EXPECT_FALSE(s.GetString("Secret", text, ""));
    EXPECT_EQ(s.LastError(), "Invalid password.");
    ASSERT_TRUE(s.GetString("Secret", text, "pw"));
    EXPECT_EQ(text, "hello");
    storage::HeapBlock data;
    std::uint32_t size = 0;
    ASSERT_TRUE(s.GetBinary("Data.prg", data, size, ""));
    EXPECT_EQ(size, 3000u);

    EXPECT_EQ(storage::LoadLE32(container.data() + storage::kHeaderHighestIdAt), 140u);
    // Parent ids come from the paths: Data.idoc hangs under Data (116).
    const std::uint8_t* first = container.data() + storage::kHeaderSize;
    EXPECT_EQ(storage::LoadLE32(first + storage::kRecordParentIdAt), 2u);
}

TEST(ManifestBuilder, FileErrorsNameTheLine) {
    TempFolder folder;
    std::vector<std::uint8_t> container = {0xAA};
    std::vector<ManifestError> errors;
    EXPECT_FALSE(Build("A Folder id=1\nA.B Binary id=2 file=missing.bin\n", folder.Path(), container, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, 2);
    EXPECT_NE(errors[0].reason.find("missing.bin"), std::string::npos) << errors[0].reason;
    EXPECT_EQ(container, std::vector<std::uint8_t>{0xAA});
}

TEST(ManifestBuilder, NameTooLongForARecord) {
    TempFolder folder;
    std::vector<std::uint8_t> container;
    std::vector<ManifestError> errors;
    const std::string manifest = std::string(70000, 'n') + " Integer id=1 value=1\n";
    EXPECT_FALSE(Build(manifest, folder.Path(), container, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].reason.find("name too long"), std::string::npos) << errors[0].reason;
}

#ifdef TKDS_HAVE_PNG
TEST(ManifestBuilder, PngConversions) {
    TempFolder folder;
    RgbaImage image{2, 1, {10, 20, 30, 255, 40, 50, 60, 0}};
    folder.Write("skin/not.png", "plain text");
    std::string error;
    ASSERT_TRUE(WritePng(folder / "skin/p.png", image, error)) << error;
    std::vector<std::uint8_t> container;
    std::vector<ManifestError> errors;
    ASSERT_TRUE(Build("Rgb Binary id=1 compress=yes file=skin/p.png convert=rgb\n"
                      "Rgbat Binary id=2 file=skin/p.png convert=rgba-t\n"
                      "Dib Binary id=3 compress=yes file=skin/p.png convert=dib24\n",
                      folder.Path(), container, errors));
    storage::Storage s;
    ASSERT_TRUE(s.OpenBytes(container.data(), container.size()));
    storage::HeapBlock data;
    std::uint32_t size = 0;
    ASSERT_TRUE(s.GetBinary("Rgb", data, size, ""));
    EXPECT_EQ(std::vector<std::uint8_t>(data.get(), data.get() + size),
              (std::vector<std::uint8_t>{10, 20, 30, 40, 50, 60}));
    ASSERT_TRUE(s.GetBinary("Rgbat", data, size, ""));
    EXPECT_EQ(std::vector<std::uint8_t>(data.get(), data.get() + size),
              (std::vector<std::uint8_t>{10, 20, 30, 0, 40, 50, 60, 255}));
    ASSERT_TRUE(s.GetBinary("Dib", data, size, ""));
    ASSERT_EQ(size, 24u + 8);
    EXPECT_EQ(std::memcmp(data.get(), "TolvikDIBDAT", 12), 0);

    EXPECT_FALSE(Build("Bad Binary id=1 file=skin/not.png convert=rgb\n", folder.Path(), container, errors));
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back().line, 1);
    EXPECT_NE(errors.back().reason.find("not a PNG file"), std::string::npos) << errors.back().reason;
}
#endif

// Two Tree lines, a document with LF line ends given as value=, a document key and
// ids near the top of the range: each Tree's nodes stand at its own line, keys and
// ids skip what is taken, and the lines end as the document's own, in path order.
TEST(ManifestBuilder, TreesExpandInPlaceAroundTheVendorsKeysAndIds) {
    TempFolder folder;
    folder.Write("one/b.txt", "bee");
    folder.Write("one/A/z.txt", "zed");
    folder.Write("two/c.txt", "sea");
    folder.Write("doc.idoc", "regrecord=R\ngroupname=G\nf2,x,wn,f,f,x\n*,A/z.txt,pit,t,f,Zed\n");
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    ASSERT_TRUE(ParseManifest("Data Folder id=4294967290\n"
                              "Data.* Tree dir=one\n"
                              "Data.idoc String id=1 file=doc.idoc\n"
                              "Data.* Tree dir=two compress=no\n",
                              {}, entries, errors));
    ASSERT_TRUE(ExpandTrees(entries, folder.Path(), errors)) << errors[0].reason;
    std::vector<std::string> order;
    for (const ManifestEntry& e : entries) order.push_back(e.path + " " + std::to_string(e.id));
    // In the payload stream the first Tree's files go by type, then name: b.txt before A/z.txt.
    const std::vector<std::string> expected =
        kTreeDefaultCompression == Compression::Lzma
            ? std::vector<std::string>{"Data 4294967290", "Data.f3 4294967291", "Data.f1 4294967292", "Data.idoc 1",
                                       "Data.f4 4294967293"}
            : std::vector<std::string>{"Data 4294967290", "Data.f1 4294967291", "Data.f3 4294967292", "Data.idoc 1",
                                       "Data.f4 4294967293"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(entries[4].compress, Compression::None);
    EXPECT_EQ(*entries[3].value, "regrecord=R\ngroupname=G\nf2,x,wn,f,f,x\nf1,A/z.txt,pit,t,f,Zed\n"
                                 "f3,b.txt,pit,f,f,b.txt\nf4,c.txt,pit,f,f,c.txt");

    // The built container carries that document, and make reads it back from the builder.
    storage::VectorSink sink;
    std::optional<std::string> document;
    StreamPlan stream;
    ASSERT_TRUE(BuildContainer(entries, folder.Path(), sink, document, stream, errors));
    EXPECT_EQ(document, entries[3].value);

    // Three more files take ids past the last one: refused, naming the Tree's line.
    folder.Write("two/d.txt", "");
    folder.Write("two/e.txt", "");
    folder.Write("two/f.txt", "");
    entries.clear();
    ASSERT_TRUE(ParseManifest("Data Folder id=4294967290\nData.idoc String id=1 file=doc.idoc\n"
                              "Data.* Tree dir=one\nData.* Tree dir=two\n",
                              {}, entries, errors));
    EXPECT_FALSE(ExpandTrees(entries, folder.Path(), errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, 4);
    EXPECT_EQ(errors[0].reason, "no node ids are left above the manifest's highest");
    EXPECT_EQ(entries.size(), 4u) << "a failed expansion leaves the entries alone";
}

}  // namespace
}  // namespace tkds
