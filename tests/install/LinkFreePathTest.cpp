#include <gtest/gtest.h>

#include "install/LinkFreePath.h"

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

}  // namespace
}  // namespace install
