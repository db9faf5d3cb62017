// The destination path rules, with the drive mask and the folder maker supplied.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "install/FolderPath.h"

namespace install {
namespace {

constexpr std::uint32_t Drive(char letter) { return 1u << (letter - 'A'); }

// A file system that knows which folders exist; refuses names holding "?".
struct FakeFolders {
    std::set<std::string> existing;
    std::vector<std::string> attempts;

    MakeFolder Maker() {
        return [this](const std::string& path) {
            attempts.push_back(path);
            if (path.find('?') != std::string::npos) return FolderCreation::Failed;
            if (!existing.insert(path).second) return FolderCreation::AlreadyExists;
            return FolderCreation::Created;
        };
    }
};

TEST(CreateFolderPath, PathRules) {
    struct Case {
        std::string path;
        bool accepted;
        std::vector<std::string> attempts;  // folders asked for, in order
    };
    const Case cases[] = {
        {"\\\\server\\share\\Pellumar", false, {}},
        {"\\\\?\\C:\\Apps", false, {}},
        {"C:Program Files", false, {}},
        {"C", false, {}},
        {"C:", false, {}},
        {"", false, {}},
        {"C:/Apps", false, {}},
        {"1:\\Apps", false, {}},
        {"[:\\Apps", false, {}},  // one past 'Z': not a drive letter
        {"Q:\\Apps", false, {}},  // no drive Q
        {"c:\\Apps", true, {"C:\\Apps\\"}},
        {"C:\\Apps", true, {"C:\\Apps\\"}},
        {"C:\\Apps\\", true, {"C:\\Apps\\"}},
        {"C:\\A\\B", true, {"C:\\A\\", "C:\\A\\B\\"}},
        {"C:\\A\\\\B", true, {"C:\\A\\", "C:\\A\\\\", "C:\\A\\\\B\\"}},
        {"C:\\", true, {"C:\\\\"}},
        {"d:\\Program Files\\Tolvik", true, {"D:\\Program Files\\", "D:\\Program Files\\Tolvik\\"}},
        {"C:\\A\\b?c\\D", false, {"C:\\A\\", "C:\\A\\b?c\\"}},
        {std::string("C:\\A\0B", 6), false, {}},
        // Parts the system rewrites: the folder would be logged under another name.
        {"C:\\Apps\\.\\Pellumar", false, {}},
        {"C:\\Apps\\..\\Windows", false, {}},
        {"C:\\Apps\\Pellumar.", false, {}},
        {"C:\\Apps \\Pellumar", false, {}},
        {"C:\\Apps\\Pel.lumar", true, {"C:\\Apps\\", "C:\\Apps\\Pel.lumar\\"}},
    };
    for (const Case& c : cases) {
        FakeFolders folders;
        std::vector<std::string> created{"left over"};
        EXPECT_EQ(CreateFolderPath(c.path, created, Drive('C') | Drive('D'), folders.Maker()), c.accepted) << c.path;
        EXPECT_EQ(folders.attempts, c.attempts) << c.path;
        EXPECT_EQ(created, c.attempts.empty() ? std::vector<std::string>{} : created) << c.path;
    }
}

TEST(CreateFolderPath, RecordsOnlyWhatItCreated) {
    FakeFolders folders;
    folders.existing = {"C:\\A\\"};
    std::vector<std::string> created;
    ASSERT_TRUE(CreateFolderPath("c:\\A\\New\\Deeper", created, Drive('C'), folders.Maker()));
    EXPECT_EQ(created, (std::vector<std::string>{"C:\\A\\New\\", "C:\\A\\New\\Deeper\\"}));

    // Everything exists now: accepted, nothing created.
    ASSERT_TRUE(CreateFolderPath("C:\\A\\New\\Deeper", created, Drive('C'), folders.Maker()));
    EXPECT_TRUE(created.empty());
}

TEST(CreateFolderPath, KeepsLetterCaseAfterTheDrive) {
    FakeFolders folders;
    std::vector<std::string> created;
    ASSERT_TRUE(CreateFolderPath("c:\\Apps\\MixedCase", created, Drive('C'), folders.Maker()));
    EXPECT_EQ(created, (std::vector<std::string>{"C:\\Apps\\", "C:\\Apps\\MixedCase\\"}));
}

TEST(CreateFolderPath, FailureKeepsWhatWasMade) {
    FakeFolders folders;
    std::vector<std::string> created;
    EXPECT_FALSE(CreateFolderPath("C:\\Good\\Bad?\\Never", created, Drive('C'), folders.Maker()));
    EXPECT_EQ(created, std::vector<std::string>{"C:\\Good\\"});
}

TEST(CreateFolderPath, EveryDriveLetterMapsToItsBit) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string path = std::string(1, letter) + ":\\x";
        const std::string lower = std::string(1, static_cast<char>(letter - 'A' + 'a')) + ":\\x";
        std::vector<std::string> created;
        FakeFolders folders;
        EXPECT_TRUE(CreateFolderPath(path, created, Drive(letter), folders.Maker())) << path;
        EXPECT_TRUE(CreateFolderPath(lower, created, Drive(letter), folders.Maker())) << lower;
        EXPECT_FALSE(CreateFolderPath(path, created, ~Drive(letter), folders.Maker())) << path;
    }
}

}  // namespace
}  // namespace install
