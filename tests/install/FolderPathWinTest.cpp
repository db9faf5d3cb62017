// HoldFolderPath, MakeFolders and GetFreeDiskSpace on the real C: drive of a Wine prefix.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/DiskSpace.h"
#include "install/FolderPath.h"
#include "install/HeldFolders_win.h"
#include "install/RelativeOpen_win.h"

namespace install {
namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class FolderPathTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Deepest first; whatever a test made below the test folder.
        for (const char* path : {"C:\\TolvikFolderTest\\A\\B\\C", "C:\\TolvikFolderTest\\A\\B", "C:\\TolvikFolderTest\\A",
                                 "C:\\TolvikFolderTest\\Mixed\\Case", "C:\\TolvikFolderTest\\Mixed",
                                 "C:\\TolvikFolderTest"}) {
            RemoveDirectoryA(path);
        }
    }
    // Each call holds its folders only while it runs, so that TearDown can remove them.
    bool Create(const std::string& path) {
        HeldFolders held;
        created.clear();
        return HoldMade(path, held);
    }
    // Holds path's folders in held, making those missing.
    bool HoldMade(const std::string& path, HeldFolders& held) {
        std::vector<std::string> missing;
        std::string failed;
        return HoldFolderPath(path, missing, held) && MakeFolders(missing, held, created, failed);
    }
    std::vector<std::string> created;
};

TEST_F(FolderPathTest, CreatesEveryMissingFolderOutermostFirst) {
    ASSERT_TRUE(Create("C:\\TolvikFolderTest\\A\\B"));
    EXPECT_EQ(created, (std::vector<std::string>{"C:\\TolvikFolderTest\\", "C:\\TolvikFolderTest\\A\\",
                                                 "C:\\TolvikFolderTest\\A\\B\\"}));
    EXPECT_TRUE(IsFolder("C:\\TolvikFolderTest\\A\\B"));

    // A second time everything exists: accepted, nothing recorded.
    ASSERT_TRUE(Create("C:\\TolvikFolderTest\\A\\B\\"));
    EXPECT_TRUE(created.empty());

    // One more level below existing folders records only that level.
    ASSERT_TRUE(Create("C:\\TolvikFolderTest\\A\\B\\C"));
    EXPECT_EQ(created, std::vector<std::string>{"C:\\TolvikFolderTest\\A\\B\\C\\"});
}

TEST_F(FolderPathTest, LowerCaseDriveIsUpperCasedAndTheRestKept) {
    ASSERT_TRUE(Create("c:\\TolvikFolderTest\\Mixed\\Case"));
    EXPECT_EQ(created, (std::vector<std::string>{"C:\\TolvikFolderTest\\", "C:\\TolvikFolderTest\\Mixed\\",
                                                 "C:\\TolvikFolderTest\\Mixed\\Case\\"}));
}

TEST_F(FolderPathTest, RefusedPaths) {
    ASSERT_EQ(GetLogicalDrives() & (1u << ('Q' - 'A')), 0u) << "the test needs a prefix without drive Q:";
    for (const char* path : {"\\\\server\\share\\Pellumar", "C:Program Files", "C", "", "Q:\\Apps", "C:/TolvikFolderTest"}) {
        created = {"left over"};
        EXPECT_FALSE(Create(path)) << path;
        EXPECT_TRUE(created.empty()) << path;
    }
    EXPECT_FALSE(IsFolder("C:\\TolvikFolderTest"));
}

TEST_F(FolderPathTest, NameTheFileSystemRefuses) {
    EXPECT_FALSE(Create("C:\\TolvikFolderTest\\Bad?Name\\X"));
    EXPECT_EQ(created, std::vector<std::string>{"C:\\TolvikFolderTest\\"});  // what was made stays listed
    EXPECT_TRUE(IsFolder("C:\\TolvikFolderTest"));
}

TEST_F(FolderPathTest, DoubledBackslashAndDriveRoot) {
    // The system decides about "C:\TolvikFolderTest\\" and "C:\\"; either way no
    // folder outside the path is made and the call returns.
    const bool doubled = Create("C:\\TolvikFolderTest\\\\A");
    if (doubled) {
        EXPECT_TRUE(IsFolder("C:\\TolvikFolderTest\\A"));
    }
    for (const std::string& folder : created) EXPECT_EQ(folder.rfind("C:\\TolvikFolderTest\\", 0), 0u) << folder;

    // A drive's root is no folder of its own to install into.
    EXPECT_FALSE(Create("C:\\"));
    EXPECT_TRUE(created.empty());
}

TEST_F(FolderPathTest, HeldFoldersStayAndAFolderAtTheRootIsReadOnlyForUsers) {
    {
        HeldFolders held;
        ASSERT_TRUE(HoldMade("C:\\TolvikFolderTest\\A", held));
        // Held without sharing delete: neither removed nor renamed meanwhile.
        EXPECT_FALSE(RemoveDirectoryA("C:\\TolvikFolderTest\\A"));
        EXPECT_FALSE(MoveFileA("C:\\TolvikFolderTest\\A", "C:\\TolvikFolderTest\\Moved"));
        EXPECT_TRUE(held.Find("c:\\tolvikfoldertest\\a\\") != nullptr);

        PSECURITY_DESCRIPTOR security = nullptr;
        PACL acl = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoA("C:\\TolvikFolderTest", SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, &acl, nullptr, &security),
                  static_cast<DWORD>(ERROR_SUCCESS));
        char* text = nullptr;
        ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(security, SDDL_REVISION_1,
                                                                         DACL_SECURITY_INFORMATION, &text, nullptr));
        const std::string sddl = text;
        LocalFree(text);
        LocalFree(security);
        // Windows shows the DACL as given; Wine keeps none of its own and shows one
        // made from the folder's Unix mode, which the given DACL set. Either way
        // no one but administrators and the system may write: users may read and
        // run, everyone else nothing.
        EXPECT_EQ(sddl.find(";;;WD)"), std::string::npos) << sddl;
        EXPECT_EQ(sddl.find(";;;AU)"), std::string::npos) << sddl;
        if (sddl.find(";;;BU)") != std::string::npos) {
            EXPECT_NE(sddl.find("(A;OICI;0x1200a9;;;BU)"), std::string::npos) << sddl;
            EXPECT_NE(sddl.find("(A;OICI;FA;;;BA)"), std::string::npos) << sddl;
        }

        // Made by this object, removed through its own handles, deepest first.
        held.RemoveCreated();
    }
    EXPECT_FALSE(IsFolder("C:\\TolvikFolderTest"));
}

TEST_F(FolderPathTest, AWrittenFileIsFoundAgainByItsNumberAndNothingElseIs) {
    HeldFolders held;
    ASSERT_TRUE(HoldMade("C:\\TolvikFolderTest", held));
    const HANDLE folder = held.Find("C:\\TolvikFolderTest");
    std::uint64_t number = 0;
    {
        RelativeOpen written = OpenFileForWriting(folder, L"a.tknew", false);
        ASSERT_TRUE(written.handle);
        number = FileNumberOf(written.handle);
        ASSERT_NE(number, 0u);
    }
    RelativeOpen again = OpenSameFile(folder, L"a.tknew", number, DELETE, FILE_SHARE_READ);
    ASSERT_TRUE(again.handle);
    EXPECT_EQ(RenameBelow(again.handle, folder, L"a"), static_cast<DWORD>(NO_ERROR));
    again.handle.Reset();

    // Another file put at the name since is refused, whatever its name says.
    const HANDLE other = CreateFileA("C:\\TolvikFolderTest\\b", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
    ASSERT_TRUE(MoveFileExA("C:\\TolvikFolderTest\\b", "C:\\TolvikFolderTest\\a", MOVEFILE_REPLACE_EXISTING));
    const RelativeOpen refused = OpenSameFile(folder, L"a", number, DELETE, FILE_SHARE_READ);
    EXPECT_FALSE(refused.handle);
    EXPECT_TRUE(refused.link);
    EXPECT_FALSE(OpenSameFile(folder, L"a", 0, DELETE, FILE_SHARE_READ).handle);
    EXPECT_EQ(OpenSameFile(folder, L"..\\a", number, DELETE, FILE_SHARE_READ).error,
              static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_TRUE(DeleteFileA("C:\\TolvikFolderTest\\a"));
}

TEST(DiskSpaceTest, FreeSpaceOfTheSystemDrive) {
    std::uint64_t viaExtended = 0;
    ASSERT_TRUE(GetFreeDiskSpace("C:\\", viaExtended));
    EXPECT_GT(viaExtended, 0u);

    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &totalFree));
    // Other programs may write meanwhile; the two reads are close, not equal.
    const std::uint64_t direct = available.QuadPart;
    const std::uint64_t slack = 64ull << 20;
    EXPECT_LT(viaExtended > direct ? viaExtended - direct : direct - viaExtended, slack);

    std::uint64_t viaClusters = 0;
    ASSERT_TRUE(GetFreeDiskSpaceByClusters("C:\\", viaClusters));
    EXPECT_GT(viaClusters, 0u);
}

TEST(DiskSpaceTest, MissingDriveFailsAndLeavesTheCountAlone) {
    std::uint64_t freeBytes = 12345;
    EXPECT_FALSE(GetFreeDiskSpace("Q:\\", freeBytes));
    EXPECT_FALSE(GetFreeDiskSpaceByClusters("Q:\\", freeBytes));
    EXPECT_EQ(freeBytes, 12345u);
}

}  // namespace
}  // namespace install
