// ShortcutMaker with the real shell of a Wine prefix: files saved where they
// belong and read back through the shell link object.
#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/Handles_win.h"
#include "install/ShortcutMaker_win.h"

namespace install {
namespace {

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct LinkContents {
    std::string target, workingFolder, arguments, description, iconPath;
    int iconIndex = -1;
};

std::optional<LinkContents> ReadLink(const std::string& path) {
    const framework::ComScope com;
    framework::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()))) {
        return std::nullopt;
    }
    framework::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return std::nullopt;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (file->Load(wide, STGM_READ) != S_OK) return std::nullopt;
    char buffer[MAX_PATH * 2];
    LinkContents contents;
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) contents.target = buffer;
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) contents.workingFolder = buffer;
    if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) contents.arguments = buffer;
    if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH))) contents.description = buffer;
    if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &contents.iconIndex))) contents.iconPath = buffer;
    return contents;
}

class ShortcutMakerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(maker.GetProgramsFolder(programs));
        ASSERT_TRUE(maker.GetDesktopFolder(desktop));
        target = "C:\\TolvikShortcutTest\\Pellumar.exe";
        CreateDirectoryA("C:\\TolvikShortcutTest", nullptr);
        CloseHandle(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    ShortcutMaker maker;
    std::string programs, desktop, target;
};

TEST_F(ShortcutMakerTest, FoldersAreNamed) {
    EXPECT_EQ(programs.find(":\\"), 1u) << programs;
    EXPECT_EQ(desktop.find(":\\"), 1u) << desktop;
    EXPECT_NE(programs, desktop);
}

TEST_F(ShortcutMakerTest, StartMenuShortcutInItsGroup) {
    ASSERT_TRUE(maker.CreateStartMenuShortcut(target, "Tolvik Pellumar 1.0", "Tolvik Pellumar 1.0",
                                              "C:\\TolvikShortcutTest\\", std::nullopt, std::nullopt, 0));
    const std::string path = programs + "\\Tolvik Pellumar 1.0\\Tolvik Pellumar 1.0.lnk";
    ASSERT_TRUE(FileExists(path)) << path;
    const auto link = ReadLink(path);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, target);
    EXPECT_EQ(link->workingFolder, "C:\\TolvikShortcutTest\\");
    EXPECT_EQ(link->arguments, "");
    EXPECT_EQ(link->description, "");
    EXPECT_EQ(link->iconPath, "");

    // The group exists now and is used as it is.
    ASSERT_TRUE(maker.CreateStartMenuShortcut(target, "Tolvik Pellumar 1.0", "License & Reg.Information",
                                              "C:\\TolvikShortcutTest\\", std::nullopt, std::nullopt, 0));
    EXPECT_TRUE(FileExists(programs + "\\Tolvik Pellumar 1.0\\License & Reg.Information.lnk"));
}

TEST_F(ShortcutMakerTest, ArgumentsAndIcon) {
    ASSERT_TRUE(maker.CreateStartMenuShortcut("C:\\windows\\TKUNTOOL.EXE", "Tolvik Pellumar 1.0", "Uninstall Pellumar",
                                              "C:\\windows\\", std::string("Pellumar"),
                                              std::string("C:\\windows\\TKUNTOOL.EXE"), 2));
    const auto link = ReadLink(programs + "\\Tolvik Pellumar 1.0\\Uninstall Pellumar.lnk");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, "C:\\windows\\TKUNTOOL.EXE");
    EXPECT_EQ(link->arguments, "Pellumar");
    EXPECT_EQ(link->workingFolder, "C:\\windows\\");
    EXPECT_EQ(link->iconPath, "C:\\windows\\TKUNTOOL.EXE");
    EXPECT_EQ(link->iconIndex, 2);
}

TEST_F(ShortcutMakerTest, ExtensionRule) {
    ASSERT_TRUE(maker.CreateStartMenuShortcut(target, "Tolvik Ext", "Readme.LNK", "C:\\", std::nullopt, std::nullopt, 0));
    EXPECT_TRUE(FileExists(programs + "\\Tolvik Ext\\Readme.LNK"));
    EXPECT_FALSE(FileExists(programs + "\\Tolvik Ext\\Readme.LNK.lnk"));
}

TEST_F(ShortcutMakerTest, DesktopShortcut) {
    ASSERT_TRUE(maker.CreateDesktopShortcut(target, "ignored group", "Tolvik Pellumar 1.0", "C:\\TolvikShortcutTest\\",
                                            std::nullopt, std::nullopt, 0));
    const std::string path = desktop + "\\Tolvik Pellumar 1.0.lnk";
    ASSERT_TRUE(FileExists(path)) << path;
    EXPECT_EQ(GetFileAttributesA((programs + "\\ignored group").c_str()), INVALID_FILE_ATTRIBUTES);
    const auto link = ReadLink(path);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, target);
}

TEST_F(ShortcutMakerTest, GroupWhoseParentIsMissing) {
    EXPECT_FALSE(maker.CreateStartMenuShortcut(target, "Tolvik Missing\\Sub", "S", "C:\\", std::nullopt, std::nullopt, 0));
    EXPECT_EQ(GetFileAttributesA((programs + "\\Tolvik Missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ShortcutMakerTest, PathsLongerThan259CharactersFailCleanly) {
    std::string group = "Tolvik Long";
    // A name that brings the full path to 260 characters with ".lnk".
    const std::size_t used = programs.size() + 1 + group.size() + 1 + 4;
    ASSERT_LT(used, 259u);
    const std::string exact(259 - used, 'n');
    const std::string tooLong(260 - used, 'n');
    EXPECT_FALSE(maker.CreateStartMenuShortcut(target, group, tooLong, "C:\\", std::nullopt, std::nullopt, 0));
    EXPECT_FALSE(FileExists(programs + "\\" + group + "\\" + tooLong + ".lnk"));
    // 259 characters is the most that fits; the system may still refuse such a long
    // name, but nothing overflows and the result says what happened.
    const bool made = maker.CreateStartMenuShortcut(target, group, exact, "C:\\", std::nullopt, std::nullopt, 0);
    EXPECT_EQ(made, FileExists(programs + "\\" + group + "\\" + exact + ".lnk"));

    EXPECT_FALSE(maker.CreateDesktopShortcut(target, "", std::string(400, 'd'), "C:\\", std::nullopt, std::nullopt, 0));
    EXPECT_FALSE(maker.CreateStartMenuShortcut(target, std::string(300, 'g'), "S", "C:\\", std::nullopt, std::nullopt, 0));
}

TEST_F(ShortcutMakerTest, LinkBytesAreAShortcutTheShellReads) {
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(maker.CreateShellLink(target, "described", std::string("-x"), "C:\\", std::nullopt, 0, bytes), S_OK);
    ASSERT_GT(bytes.size(), 76u);  // the shell link header alone is 76 bytes
    const std::string path = "C:\\TolvikShortcutTest\\direct.lnk";
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    const auto link = ReadLink(path);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, target);
    EXPECT_EQ(link->description, "described");
    EXPECT_EQ(link->arguments, "-x");
}

TEST_F(ShortcutMakerTest, ComIsBalancedAroundEachCall) {
    // After a call, this thread can still enter a multithreaded apartment, which
    // it could not if the call had left its single-threaded one initialised.
    ASSERT_TRUE(maker.CreateDesktopShortcut(target, "", "Balance", "C:\\", std::nullopt, std::nullopt, 0));
    const HRESULT mta = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(mta, S_OK);
    // Inside a multithreaded apartment CoInitialize fails; the maker must neither
    // unbalance it nor fail to save.
    EXPECT_TRUE(maker.CreateDesktopShortcut(target, "", "Inside MTA", "C:\\", std::nullopt, std::nullopt, 0));
    if (SUCCEEDED(mta)) CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // the apartment had ended
    CoUninitialize();
}

}  // namespace
}  // namespace install
