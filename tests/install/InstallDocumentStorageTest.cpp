// The install document loaded from a real container through the storage reader,
// starting with the product's own document.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallDocument.h"
#include "storage/Storage.h"
#include "tests/install/ShippedDocument.h"
#include "tests/storage/TestContainers.h"

namespace install {
namespace {

using storage::NodeType;
using storage::test::TestNode;

class RecordingDisplay final : public NumberDisplay {
public:
    void DrawNumber(int n) override { numbers.push_back(n); }
    std::vector<int> numbers;
};

class CollectingSink final : public storage::ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t count) override {
        bytes.append(reinterpret_cast<const char*>(data), count);
        return true;
    }
    std::string bytes;
};

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 31 + (i >> 8));
    return bytes;
}

std::vector<TestNode> ShippedNodes(const std::string& document) {
    return {
        {1, 0, "Data", NodeType::Folder, ""},
        {2, 1, "idoc", NodeType::String, document, true},
        {3, 1, "prg", NodeType::Binary, Pattern(716800), true},
        {4, 1, "lic", NodeType::Binary, Pattern(1217), true},
    };
}

ProgramFilesLookup Fixed(std::optional<std::string> folder) {
    return [folder] { return folder; };
}

// A container opened and its document loaded, with what the user was shown.
struct LoadedContainer {
    explicit LoadedContainer(std::vector<std::uint8_t> containerBytes,
                             std::optional<std::string> programFiles = std::nullopt)
        : bytes(std::move(containerBytes)) {
        opened = container.OpenBytes(bytes.data(), bytes.size());
        doc.Load(container, display, Fixed(std::move(programFiles)));
    }
    std::vector<std::uint8_t> bytes;  // read in place by the container
    storage::Storage container;
    storage::test::MessageCapture messages;
    RecordingDisplay display;
    InstallDocument doc;
    bool opened = false;
};

TEST(InstallDocumentStorage, ProductDocumentFromContainer) {
    const std::string document = test::ReadShippedDocument();
    ASSERT_FALSE(document.empty());
    LoadedContainer loaded(storage::test::MakeContainer(ShippedNodes(document)), "C:\\Program Files");
    ASSERT_TRUE(loaded.opened);
    const InstallDocument& doc = loaded.doc;
    const auto& messages = loaded.messages;
    const auto& display = loaded.display;

    EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(doc.productName, "Tolvik Pellumar 1.0 Setup");
    EXPECT_EQ(doc.registryRecord, "Pellumar");
    EXPECT_EQ(doc.groupName, "Tolvik Pellumar 1.0");
    EXPECT_EQ(doc.requiredKilobytes, 701u);
    EXPECT_EQ(display.numbers, std::vector<int>{701});
    EXPECT_EQ(doc.defaultDestination, "C:\\Program Files\\Tolvik\\Pellumar");
    ASSERT_EQ(doc.entries.size(), 2u);
    EXPECT_EQ(doc.entries[0].size, 716800u);
    EXPECT_EQ(doc.entries[0].line, 15);
    EXPECT_EQ(doc.entries[1].size, 1217u);

    // Sizes come from the records; the bytes come out when the run streams them.
    CollectingSink prg;
    ASSERT_EQ(loaded.doc.WritePayload(loaded.container, doc.entries[0], prg), storage::StreamResult::Done);
    EXPECT_FALSE(loaded.doc.IsDamaged());
    EXPECT_EQ(prg.bytes, Pattern(716800));
}

TEST(InstallDocumentStorage, ADamagedPayloadIsFoundAsItIsDecoded) {
    const std::string document = test::ReadShippedDocument();
    storage::ContainerWriter writer;
    std::vector<TestNode> nodes = ShippedNodes(document);
    for (const TestNode& node : nodes) {
        if (node.name != "prg") {
            storage::test::AddNode(writer, node);
            continue;
        }
        // One byte changed inside the zlib stream; the size prefix stays sound.
        std::vector<std::uint8_t> stored;
        std::string error;
        const auto decoded = storage::test::Bytes(node.data);
        ASSERT_TRUE(storage::EncodeNodeData(decoded, true, nullptr, stored, error));
        stored[stored.size() / 2] ^= 0x01;
        ASSERT_TRUE(writer.AppendRecord({1, node.id, node.parentId, 3, 0, 1}, node.name, stored, error));
    }
    LoadedContainer loaded(writer.Finish());
    ASSERT_TRUE(loaded.opened);
    EXPECT_FALSE(loaded.doc.IsDamaged());
    EXPECT_EQ(loaded.doc.requiredKilobytes, 701u);

    storage::DiscardSink nowhere;
    EXPECT_EQ(loaded.doc.WritePayload(loaded.container, loaded.doc.entries[0], nowhere), storage::StreamResult::Damaged);
    EXPECT_EQ(loaded.doc.DamageReason(), "Install document, line 15: the data \"Data.prg\" could not be read.");
    EXPECT_TRUE(loaded.messages.texts.empty());
}

TEST(InstallDocumentStorage, MissingNodesAndUnresolvableKeys) {
    struct Case {
        std::vector<TestNode> nodes;
        std::string message;  // empty: silent
        bool damaged;
    };
    const std::string document = test::ReadShippedDocument();
    const Case cases[] = {
        // No document: silent, nothing shown.
        {{{1, 0, "Data", NodeType::Folder, ""}}, "", true},
        // The document stored under another type is unreadable as text.
        {{{1, 0, "Data", NodeType::Folder, ""}, {2, 1, "idoc", NodeType::Binary, document}}, "", true},
        {{{1, 0, "Data", NodeType::Folder, ""},
          {2, 1, "idoc", NodeType::String, document},
          {3, 1, "prg", NodeType::Binary, "x"}},
         "Install document, line 16: the data \"Data.lic\" could not be read.", true},
        // A payload stored as text is not binary data.
        {{{1, 0, "Data", NodeType::Folder, ""},
          {2, 1, "idoc", NodeType::String, document},
          {3, 1, "prg", NodeType::String, "x"},
          {4, 1, "lic", NodeType::Binary, "y"}},
         "Install document, line 15: the data \"Data.prg\" could not be read.", true},
        // An empty key names "Data.", which never resolves.
        {{{1, 0, "Data", NodeType::Folder, ""},
          {2, 1, "idoc", NodeType::String, "regrecord=R\ngroupname=G\n,x.txt,pit,f,f,S"}},
         "Install document, line 3: the data \"Data.\" could not be read.", true},
    };
    for (const Case& c : cases) {
        LoadedContainer loaded(storage::test::MakeContainer(c.nodes));
        ASSERT_TRUE(loaded.opened);
        EXPECT_EQ(loaded.doc.IsDamaged(), c.damaged) << c.message;
        EXPECT_EQ(loaded.messages.texts,
                  c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        EXPECT_EQ(loaded.display.numbers.empty(), c.message.empty()) << c.message;
    }
}

}  // namespace
}  // namespace install
