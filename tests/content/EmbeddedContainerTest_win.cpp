// The sample container as the setup program meets it: linked into this test
// program as resource "STORAGE" 129 with the setup's own resource script, opened
// from the program's resources and read node by node with the empty password.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/UserMessages.h"
#include "install/InstallDocument.h"
#include "storage/Storage.h"

namespace {

constexpr int kContainerId = 129;

class EmbeddedContainer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(storage.Open(kContainerId)) << storage.LastError(); }

    std::vector<std::uint8_t> Binary(const char* path) {
        storage::HeapBlock data;
        std::uint32_t size = 0;
        if (!storage.GetBinary(path, data, size, "")) {
            ADD_FAILURE() << path << ": " << storage.LastError();
            return {};
        }
        return std::vector<std::uint8_t>(data.get(), data.get() + size);
    }

    storage::Storage storage;
};

TEST_F(EmbeddedContainer, SkinMeasurementsMatchTheWindow) {
    const struct {
        const char* path;
        std::int32_t value;
    } integers[] = {
        {"Backgrounds.Sizes.1x", 450},
        {"Backgrounds.Sizes.1y", 207},
        {"Controls.MaskedButtons.PushButton.Width", 132},
        {"Controls.MaskedButtons.PushButton.CtrlWidth", 44},
        {"Controls.MaskedButtons.PushButton.Height", 32},
        {"Controls.MaskedButtons.PushButton.States", 7},
    };
    for (const auto& expected : integers) {
        std::int32_t value = 0;
        EXPECT_TRUE(storage.GetInteger(expected.path, value, "")) << expected.path << ": " << storage.LastError();
        EXPECT_EQ(value, expected.value) << expected.path;
    }
    EXPECT_EQ(Binary("Backgrounds.1").size(), 450u * 207u * 3u);
    EXPECT_EQ(Binary("Controls.MaskedButtons.PushButton.RGBA").size(), 132u * 32u * 4u);
}

TEST_F(EmbeddedContainer, GlyphPicturesAre24BitImageRecords) {
    const struct {
        const char* path;
        std::uint32_t width, height, stride;
    } records[] = {{"Digits", 143, 19, 432}, {"Font", 504, 13, 1512}, {"Units", 32, 13, 96}};
    for (const auto& expected : records) {
        SCOPED_TRACE(expected.path);
        const std::vector<std::uint8_t> record = Binary(expected.path);
        ASSERT_EQ(record.size(), 24u + expected.stride * expected.height);
        std::uint32_t fields[3];
        std::memcpy(fields, record.data() + 12, sizeof fields);
        EXPECT_EQ(std::string(record.begin(), record.begin() + 12), "TolvikDIBDAT");
        EXPECT_EQ(fields[0], expected.width);
        EXPECT_EQ(fields[1], expected.height);
        EXPECT_EQ(fields[2], 3u);
    }
}

TEST_F(EmbeddedContainer, LicenseDialogShowsTheInstalledLicenseText) {
    std::string shown;
    ASSERT_TRUE(storage.GetString("License", shown, "")) << storage.LastError();
    const std::vector<std::uint8_t> installed = Binary("Data.lic");
    EXPECT_EQ(shown, std::string(installed.begin(), installed.end()));
    EXPECT_NE(shown.find("\r\n"), std::string::npos);
}

// Each architecture's container carries programs built for that architecture.
TEST_F(EmbeddedContainer, CarriedProgramsAreExecutablesOfThisArchitecture) {
    const auto* self = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
    const auto selfHeaders = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        self + reinterpret_cast<const IMAGE_DOS_HEADER*>(self)->e_lfanew);

    for (const char* path : {"Data.prg", "Uninstall"}) {
        SCOPED_TRACE(path);
        const std::vector<std::uint8_t> program = Binary(path);
        ASSERT_GT(program.size(), sizeof(IMAGE_DOS_HEADER));
        IMAGE_DOS_HEADER dos;
        std::memcpy(&dos, program.data(), sizeof dos);
        ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
        ASSERT_GT(program.size(), static_cast<std::size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS));
        IMAGE_NT_HEADERS headers;
        std::memcpy(&headers, program.data() + dos.e_lfanew, sizeof headers);
        EXPECT_EQ(headers.Signature, IMAGE_NT_SIGNATURE);
        EXPECT_EQ(headers.FileHeader.Machine, selfHeaders->FileHeader.Machine);
        EXPECT_EQ(headers.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    }
}

class RecordingDisplay final : public install::NumberDisplay {
public:
    void DrawNumber(int n) override { numbers.push_back(n); }
    std::vector<int> numbers;
};

TEST_F(EmbeddedContainer, InstallDocumentLoadsWithBothPayloads) {
    std::vector<std::string> messages;
    framework::SetMessageSink(
        [&](std::string_view text, framework::MessageIcon) { messages.emplace_back(text); });

    install::InstallDocument document;
    RecordingDisplay display;
    document.Load(storage, display, [] { return std::optional<std::string>("C:\\Program Files"); });
    framework::SetMessageSink(nullptr);

    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_FALSE(document.IsDamaged()) << document.DamageReason();
    EXPECT_EQ(document.productName, "Tolvik Pellumar 1.0 Setup");
    EXPECT_EQ(document.defaultDestination, "C:\\Program Files\\Tolvik\\Pellumar");
    ASSERT_EQ(document.entries.size(), 2u);
    EXPECT_EQ(document.entries[0].fileName, "Pellumar.exe");
    EXPECT_EQ(document.entries[1].fileName, "License.txt");

    const std::size_t programBytes = Binary("Data.prg").size();
    const std::size_t licenseBytes = Binary("Data.lic").size();
    EXPECT_EQ(document.entries[0].size, programBytes);
    EXPECT_EQ(document.entries[1].size, licenseBytes);
    EXPECT_EQ(document.requiredKilobytes, (programBytes + licenseBytes) / 1024);
    // The counter has four digits.
    EXPECT_LE(document.requiredKilobytes, 9999u);
    EXPECT_EQ(display.numbers, std::vector<int>{static_cast<int>(document.requiredKilobytes)});
}

}  // namespace
