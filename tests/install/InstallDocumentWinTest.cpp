// The install document loaded the program's way: from a container, with the
// Program Files folder from the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/InstallDocument.h"
#include "install/RegistryAccess.h"
#include "storage/Storage.h"
#include "tests/install/ProgramFilesView_win.h"
#include "tests/install/ShippedDocument.h"
#include "tests/storage/TestContainers.h"

namespace install {
namespace {

using storage::NodeType;

class RecordingDisplay final : public NumberDisplay {
public:
    void DrawNumber(int n) override { numbers.push_back(n); }
    std::vector<int> numbers;
};

constexpr const char* kProgramFilesDir = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir";

class InstallDocumentRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registry.ReadRegistryText(LocalMachine, kProgramFilesDir, saved));
        const std::string document = test::ReadShippedDocument();
        ASSERT_FALSE(document.empty());
        bytes = storage::test::MakeContainer({
            {1, 0, "Data", NodeType::Folder, ""},
            {2, 1, "idoc", NodeType::String, document, true},
            {3, 1, "prg", NodeType::Binary, std::string(716800, 'p'), true},
            {4, 1, "lic", NodeType::Binary, std::string(1217, 'l'), true},
        });
        ASSERT_TRUE(container.OpenBytes(bytes.data(), bytes.size()));
    }
    void TearDown() override { registry.WriteRegistryText(LocalMachine, kProgramFilesDir, saved); }

    RegistryAccess registry;
    std::string saved;
    std::vector<std::uint8_t> bytes;
    storage::Storage container;
    RecordingDisplay display;
    InstallDocument doc;
};

TEST_F(InstallDocumentRegistryTest, DefaultDestinationFromTheRegistry) {
    doc.Load(container, display);
    EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
    EXPECT_EQ(doc.defaultDestination, saved + "\\Tolvik\\Pellumar");
    EXPECT_EQ(doc.defaultDestination, std::string(test::ExpectedProgramFiles()) + "\\Tolvik\\Pellumar");
    EXPECT_EQ(display.numbers, std::vector<int>{701});
}

TEST_F(InstallDocumentRegistryTest, FolderEndingInBackslash) {
    ASSERT_TRUE(registry.WriteRegistryText(LocalMachine, kProgramFilesDir, "D:\\Programs\\"));
    doc.Load(container, display);
    EXPECT_EQ(doc.defaultDestination, "D:\\Programs\\Tolvik\\Pellumar");
}

TEST_F(InstallDocumentRegistryTest, UnreadableValueFallsBack) {
    // Too long for the 256-byte read buffer.
    ASSERT_TRUE(registry.WriteRegistryText(LocalMachine, kProgramFilesDir, "E:\\" + std::string(300, 'x')));
    doc.Load(container, display);
    EXPECT_EQ(doc.defaultDestination, "C:\\Program Files\\Tolvik\\Pellumar");

    // A number is not a folder, but it converts to text and is used as stored.
    ASSERT_TRUE(registry.WriteRegistryDword(LocalMachine, kProgramFilesDir, 7));
    doc.Load(container, display);
    EXPECT_EQ(doc.defaultDestination, "7\\Tolvik\\Pellumar");

    ASSERT_TRUE(registry.DeleteRegistryValue(LocalMachine, kProgramFilesDir));
    doc.Load(container, display);
    EXPECT_EQ(doc.defaultDestination, "C:\\Program Files\\Tolvik\\Pellumar");
}

}  // namespace
}  // namespace install
