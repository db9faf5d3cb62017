// Where shortcut files go: the ".lnk" rule and the length limit.
#include <gtest/gtest.h>

#include <string>

#include "install/ShortcutPath.h"

namespace install {
namespace {

TEST(ShortcutPath, AppendsFileName) {
    struct Case {
        std::string folder, name, expected;
    };
    const Case cases[] = {
        {"P\\Tolvik Pellumar 1.0", "Tolvik Pellumar 1.0", "P\\Tolvik Pellumar 1.0\\Tolvik Pellumar 1.0.lnk"},
        {"P\\G", "License & Reg.Information", "P\\G\\License & Reg.Information.lnk"},
        {"P\\G", "Readme.LNK", "P\\G\\Readme.LNK"},
        {"P\\G", "Readme.lnk", "P\\G\\Readme.lnk"},
        {"P\\G", "Readme.Lnk", "P\\G\\Readme.Lnk"},
        {"P\\G", "Readme.lnkx", "P\\G\\Readme.lnkx.lnk"},
        {"P\\G", "lnk", "P\\G\\lnk.lnk"},
        {"D:\\Desktop\\", "Tolvik", "D:\\Desktop\\Tolvik.lnk"},  // no second "\"
        {"", "x", "\\x.lnk"},
    };
    for (const Case& c : cases) {
        std::string path = c.folder;
        EXPECT_TRUE(AppendShortcutFile(path, c.name)) << c.name;
        EXPECT_EQ(path, c.expected);
    }
}

TEST(ShortcutPath, LengthLimit) {
    const std::string folder(250, 'f');
    std::string path = folder;
    EXPECT_TRUE(AppendShortcutFile(path, "1234"));  // 250 + 1 + 4 + 4 = 259
    EXPECT_EQ(path.size(), 259u);

    path = folder;
    EXPECT_FALSE(AppendShortcutFile(path, "12345"));  // 260
    EXPECT_EQ(path, folder);

    path = folder;
    EXPECT_FALSE(AppendShortcutFile(path, std::string(5000, 'n')));
    EXPECT_EQ(path, folder);
}

TEST(ShortcutPath, Extension) {
    EXPECT_TRUE(HasShortcutExtension(".lnk"));
    EXPECT_TRUE(HasShortcutExtension("a.LnK"));
    EXPECT_FALSE(HasShortcutExtension("Tolvik Pellumar 1.0"));
    EXPECT_FALSE(HasShortcutExtension("lnk"));
    EXPECT_FALSE(HasShortcutExtension(""));
}

TEST(ShortcutPath, LostShortcutLines) {
    EXPECT_EQ(LostShortcutLines({}), "");
    EXPECT_EQ(LostShortcutLines({{true, "", "Tolvik Pellumar 1.0"},
                                 {false, "Tolvik Pellumar 1.0", "License & Reg.Information"}}),
              "Desktop\\Tolvik Pellumar 1.0\nStart menu\\Tolvik Pellumar 1.0\\License & Reg.Information");
}

}  // namespace
}  // namespace install
