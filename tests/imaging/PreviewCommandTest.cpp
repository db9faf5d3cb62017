// tkds preview end to end: a small container made with `tkds build` from a
// manifest, rendered to a PNG, read back and checked at known places.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "SkinFixtures.h"
#include "imaging/PixelOps.h"
#include "tools/tkds/Commands.h"
#include "tools/tkds/PngFile.h"

namespace imaging {
namespace {

namespace fs = std::filesystem;
using test::Bgr;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

class PreviewCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tkds-preview-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        WriteFile(dir / "background.rgb", test::MakeBackgroundBytes());
        WriteFile(dir / "button.rgba", test::MakeButtonStrip(3));
        WriteFile(dir / "font.dib", test::MakeFontRecord());
        WriteFile(dir / "digits.dib", test::MakeDigitsRecord());
        WriteFile(dir / "big.bin", std::vector<std::uint8_t>(3000 * 1024 + 5, 1));
        WriteFile(dir / "small.bin", std::vector<std::uint8_t>(2000, 2));
        WriteText(dir / "Data.idoc",
                  "//doc\r\npit=pf\r\nname=Demo 2.0\r\nregrecord=Demo\r\ndeffolder=Demo\r\ngroupname=Demo\r\n\r\nbig,Big.exe,pit,t,t,Big\r\nsmall,Small.txt,pit,f,f,S");
        WriteText(dir / "skin.manifest",
                  "Backgrounds Folder id=1\n"
                  "Backgrounds.Sizes Folder id=2\n"
                  "Backgrounds.Sizes.1x Integer id=3 value=7\n"
                  "Backgrounds.Sizes.1y Integer id=4 value=5\n"
                  "Backgrounds.1 Binary id=5 file=background.rgb\n"
                  "Controls Folder id=10\n"
                  "Controls.MaskedButtons Folder id=11\n"
                  "Controls.MaskedButtons.PushButton Folder id=12\n"
                  "Controls.MaskedButtons.PushButton.Width Integer id=13 value=30\n"
                  "Controls.MaskedButtons.PushButton.CtrlWidth Integer id=14 value=10\n"
                  "Controls.MaskedButtons.PushButton.Height Integer id=15 value=8\n"
                  "Controls.MaskedButtons.PushButton.States Integer id=16 value=7\n"
                  "Controls.MaskedButtons.PushButton.RGBA Binary id=17 compress=yes file=button.rgba\n"
                  "Digits Binary id=20 compress=yes file=digits.dib\n"
                  "Font Binary id=21 compress=yes file=font.dib\n"
                  "Data Folder id=30\n"
                  "Data.idoc String id=31 compress=yes file=Data.idoc\n"
                  "Data.big Binary id=32 compress=yes file=big.bin\n"
                  "Data.small Binary id=33 compress=yes file=small.bin\n");
        ASSERT_EQ(Run(tkds::kBuildCommand, {(dir / "skin.manifest").string(), "-o", Container()}), 0);
    }
    void TearDown() override { fs::remove_all(dir); }

    static int Run(const tkds::Command& command, const tkds::Args& args) { return command.run(args); }
    std::string Container() const { return (dir / "skin.tkds").string(); }
    std::string Png() const { return (dir / "window.png").string(); }

    void ReadBack() {
        std::string error;
        ASSERT_TRUE(tkds::ReadPng(Png(), image, error)) << error;
        ASSERT_EQ(image.width, 450u);
        ASSERT_EQ(image.height, 207u);
    }
    Bgr At(int x, int y) const {
        const std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * 450 + x) * 4;
        EXPECT_EQ(p[3], 255);
        return Bgr{p[2], p[1], p[0]};
    }

    fs::path dir;
    tkds::RgbaImage image;
};

Bgr Background(int x, int y) { return test::BackgroundPixel(x % test::kBackgroundX, y % test::kBackgroundY); }

TEST_F(PreviewCommand, DefaultsShowWhatTheWindowShowsAtStart) {
    ASSERT_EQ(Run(tkds::kPreviewCommand, {Container(), "-o", Png()}), 0);
    ReadBack();
    EXPECT_EQ(At(10, 60), Background(10, 60));
    // (3000 * 1024 + 5 + 2000) >> 10 = 3001: "3", "0", "0", "1".
    EXPECT_EQ(At(163, 114), test::DigitPixel(4, 0, 0));
    EXPECT_EQ(At(176, 114), test::DigitPixel(1, 0, 0));
    EXPECT_EQ(At(202 + 3, 114 + 4), test::DigitPixel(2, 3, 4));
    // "DEMO 2.0" at offset 0: "D" at the ticker's left edge, "2" as the sixth glyph.
    EXPECT_EQ(At(6, 8), test::FontPixel(4, 0, 0));
    EXPECT_EQ(At(6 + 5 * 12 + 7, 8 + 9), test::FontPixel(29, 7, 9));
    EXPECT_EQ(At(6 + 8 * 12, 8), Background(6 + 8 * 12, 8));  // after the text
}

TEST_F(PreviewCommand, OptionsAndAButtonBlend) {
    ASSERT_EQ(Run(tkds::kPreviewCommand,
                  {Container(), "-o", Png(), "--number", "42", "--ticker", "Complete: 5%", "--offset", "200"}),
              0);
    ReadBack();
    EXPECT_EQ(At(163, 114), test::DigitPixel(0, 0, 0));
    EXPECT_EQ(At(189, 114), test::DigitPixel(5, 0, 0));
    EXPECT_EQ(At(6 + 95, 8), test::FontPixel(3, 0, 0));
    // SETUP at (114, 146): its column 1 is half clear over the background.
    const Bgr under = Background(115, 150);
    const test::Rgbt half = test::ButtonPixel(0, 1, 4);
    EXPECT_EQ(At(115, 150), (Bgr{Blend(half.blue, under.blue, 128), Blend(half.green, under.green, 128),
                                 Blend(half.red, under.red, 128)}));
    EXPECT_EQ(At(114, 150), Background(114, 150));  // column 0 is clear
}

TEST_F(PreviewCommand, RefusesBadArguments) {
    EXPECT_EQ(Run(tkds::kPreviewCommand, {Container()}), tkds::kExitUsage);
    EXPECT_EQ(Run(tkds::kPreviewCommand, {Container(), "-o", Png(), "--number", "4x"}), tkds::kExitUsage);
    EXPECT_EQ(Run(tkds::kPreviewCommand, {Container(), "-o", Png(), "--offset", ""}), tkds::kExitUsage);
    EXPECT_EQ(Run(tkds::kPreviewCommand, {(dir / "missing.tkds").string(), "-o", Png()}), tkds::kExitFailure);
    EXPECT_EQ(Run(tkds::kPreviewCommand, {(dir / "Data.idoc").string(), "-o", Png()}), tkds::kExitFailure);
    EXPECT_FALSE(fs::exists(Png()));
}

}  // namespace
}  // namespace imaging
