#include <gtest/gtest.h>

#include "uninstaller/OutcomeReport.h"

namespace uninstaller {
namespace {

TEST(OutcomeReport, ACompleteRemoval) {
    EXPECT_EQ(OutcomeText({"Tolvik Pellumar 1.0", {}, {}, false}),
              "\"Tolvik Pellumar 1.0\" was removed from this computer.");
}

TEST(OutcomeReport, ListsWhatStaysWithTheUndeterminedAfterIt) {
    Outcome outcome{"Tolvik Pellumar 1.0",
                    {"Access to C:\\P\\a.exe was denied.", "C:\\P was kept: it holds files that were not installed."},
                    {"The installation folder is not recorded."},
                    true};
    EXPECT_EQ(OutcomeText(outcome),
              "\"Tolvik Pellumar 1.0\" was removed, except:\n"
              "\n- Access to C:\\P\\a.exe was denied."
              "\n- C:\\P was kept: it holds files that were not installed."
              "\n\nThe uninstall information was kept: close any program that uses these files and run the uninstall "
              "again."
              "\n\nNot determined from the uninstall log:\n"
              "\n- The installation folder is not recorded.");
}

TEST(OutcomeReport, CutsALongListAndCountsTheRest) {
    Outcome outcome{"P", {}, {}, false};
    for (int i = 0; i < 40; ++i) outcome.notRemoved.push_back("line " + std::to_string(i));
    const std::string text = OutcomeText(outcome);
    EXPECT_NE(text.find("\n- line 13"), std::string::npos);
    EXPECT_EQ(text.find("\n- line 14"), std::string::npos);
    EXPECT_NE(text.find("\n- ... and 26 more."), std::string::npos);

    outcome.notRemoved.resize(kMaxListedLines);  // exactly the limit: all shown
    EXPECT_EQ(OutcomeText(outcome).find("more."), std::string::npos);
}

TEST(OutcomeReport, RefusalsNameTheValueAndTheReason) {
    EXPECT_EQ(DescribeRefusal({"File2", "C:\\windows\\system32\\kernel32.dll", Refusal::SystemFolder}),
              "Refused File2 = \"C:\\windows\\system32\\kernel32.dll\": it is a system folder or lies in the Windows "
              "folder.");
    EXPECT_EQ(DescribeRefusal({"Folder1", "C:\\", Refusal::DriveRoot}),
              "Refused Folder1 = \"C:\\\": it names a whole drive.");
}

TEST(OutcomeReport, QuestionAndRecordMessagesNameTheProduct) {
    EXPECT_EQ(ConfirmationText("Tolvik Pellumar 1.0"),
              "Do you want to remove \"Tolvik Pellumar 1.0\" and all of its components from this computer?");
    EXPECT_EQ(UnknownRecordText("Nothing"), "No uninstall information was found for \"Nothing\", so nothing was removed.");
    EXPECT_NE(MissingRecordNameText().find("nothing was removed"), std::string::npos);
}

}  // namespace
}  // namespace uninstaller
