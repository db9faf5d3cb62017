#include <gtest/gtest.h>

#include "install/LinkFreePath.h"
#include "install/PathText.h"

namespace install {
namespace {

using Steps = std::vector<std::string>;

TEST(LinkFreePath, StepsRunFromBelowTheBaseDownToThePath) {
    EXPECT_EQ(PathSteps("C:\\A\\B\\f.txt", "C:\\"), (Steps{"C:\\A", "C:\\A\\B", "C:\\A\\B\\f.txt"}));
    EXPECT_EQ(PathSteps("C:\\Users\\me\\Desktop\\x.lnk", "c:\\users\\ME\\Desktop\\"),
              (Steps{"C:\\Users\\me\\Desktop\\x.lnk"}));
    EXPECT_EQ(PathSteps("C:\\PF\\Tolvik\\Pellumar\\", "C:\\PF"), (Steps{"C:\\PF\\Tolvik", "C:\\PF\\Tolvik\\Pellumar"}));
    EXPECT_EQ(PathSteps("C:\\A\\\\B", "C:\\"), (Steps{"C:\\A", "C:\\A\\\\B"}));  // a doubled separator
    // Not below the base: nothing to walk.
    EXPECT_TRUE(PathSteps("C:\\AB\\f", "C:\\A").empty());
    EXPECT_TRUE(PathSteps("C:\\A", "C:\\A").empty());
    EXPECT_TRUE(PathSteps("D:\\A", "C:\\").empty());
    EXPECT_TRUE(PathSteps("C:\\A", "").empty());
}

TEST(LinkFreePath, FinalPathsCompareWithoutPrefixCaseOrTrailingSeparator) {
    EXPECT_TRUE(SameFinalPath("\\\\?\\C:\\Program Files\\Tolvik", "C:\\program files\\tolvik"));
    EXPECT_TRUE(SameFinalPath("\\\\?\\C:\\", "C:\\"));
    EXPECT_TRUE(SameFinalPath("C:\\A\\", "C:\\A"));
    EXPECT_FALSE(SameFinalPath("\\\\?\\Z:\\tmp\\decoy", "C:\\Program Files\\Tolvik\\Pellumar"));
    EXPECT_FALSE(SameFinalPath("\\\\?\\C:\\A\\B", "C:\\A"));
}

// Folders found again in any spelling, and each folder path cut into its parent
// and last part, as HeldFolders walks them.
TEST(LinkFreePath, FolderKeysAndLastParts) {
    EXPECT_EQ(FolderKey("c:\\a\\\\B"), "C:\\A\\B\\");
    EXPECT_EQ(FolderKey("C:\\A/b\\"), "C:\\A\\B\\");
    EXPECT_EQ(FolderKey("C:\\"), "C:\\");
    EXPECT_TRUE(SamePathText("C:\\Apps", "c:\\APPS"));
    EXPECT_FALSE(SamePathText("C:\\Apps", "C:\\Apps2"));

    std::string parent, name;
    ASSERT_TRUE(SplitLastPart("C:\\A\\B\\", parent, name));
    EXPECT_EQ(parent + "|" + name, "C:\\A\\|B");
    ASSERT_TRUE(SplitLastPart("C:\\A", parent, name));
    EXPECT_EQ(parent + "|" + name, "C:\\|A");
    ASSERT_TRUE(SplitLastPart("C:\\A\\\\B", parent, name));  // a doubled separator
    EXPECT_EQ(parent + "|" + name, "C:\\A\\|B");
    EXPECT_FALSE(SplitLastPart("C:\\", parent, name));
    EXPECT_FALSE(SplitLastPart("C:", parent, name));
}

}  // namespace
}  // namespace install
