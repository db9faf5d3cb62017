#include <gtest/gtest.h>

#include "uninstaller/CommandLine.h"

namespace uninstaller {
namespace {

TEST(RecordFromCommandLine, TakesEverythingAfterTheProgramName) {
    const struct {
        const char* commandLine;
        const char* record;
    } cases[] = {
        {"C:\\WINDOWS\\TKUNTOOL.EXE Pellumar", "Pellumar"},
        {"\"C:\\Program Files\\Tools\\TKUNTOOL.EXE\" Pellumar", "Pellumar"},
        {"\"C:\\WINDOWS\\TKUNTOOL.EXE\"Pellumar", "Pellumar"},
        {"TKUNTOOL.EXE   My Product  ", "My Product"},
        {"TKUNTOOL.EXE \"My Product\"", "My Product"},
        {"TKUNTOOL.EXE \" My Product \"", "My Product"},
        {"TKUNTOOL.EXE\tA\tB\r\n", "A\tB"},
        {"TKUNTOOL.EXE Tolvik\\Pellumar", "Tolvik\\Pellumar"},
        {"  TKUNTOOL.EXE Pellumar", "Pellumar"},
        {"TKUNTOOL.EXE", ""},
        {"TKUNTOOL.EXE   ", ""},
        {"\"C:\\a b\\TKUNTOOL.EXE\"", ""},
        {"\"unterminated Pellumar", ""},
        {"TKUNTOOL.EXE \"\"", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(RecordFromCommandLine(c.commandLine), c.record) << c.commandLine;
}

TEST(ParseUninstallCommandLine, SwitchesAfterTheRecord) {
    const struct {
        const char* commandLine;
        const char* record;
        bool silent;
        const char* log;  // nullptr: none
    } cases[] = {
        {"C:\\WINDOWS\\TKUNTOOL.EXE Pellumar", "Pellumar", false, nullptr},
        {"C:\\WINDOWS\\TKUNTOOL.EXE Pellumar /S", "Pellumar", true, nullptr},
        {"C:\\WINDOWS\\TKUNTOOL.EXE My Product /s /LOG=\"C:\\my logs\\u.txt\"", "My Product", true,
         "C:\\my logs\\u.txt"},
        {"TKUNTOOL.EXE Tolvik\\Pellumar /LOG=C:\\u.txt", "Tolvik\\Pellumar", false, "C:\\u.txt"},
        {"TKUNTOOL.EXE \"A /B\" /S", "A /B", true, nullptr},
        {"TKUNTOOL.EXE \"A /B\"", "A /B", false, nullptr},
        // Words that are not all known switches, each once, stay part of the record.
        {"TKUNTOOL.EXE Pellumar /X", "Pellumar /X", false, nullptr},
        {"TKUNTOOL.EXE Pellumar /S /S", "Pellumar /S /S", false, nullptr},
        {"TKUNTOOL.EXE Pellumar /LOG=", "Pellumar /LOG=", false, nullptr},
        {"TKUNTOOL.EXE Pellumar/S", "Pellumar/S", false, nullptr},
        {"TKUNTOOL.EXE /S", "", true, nullptr},
        // Arguments split as the system splits them: switches quoted whole, a quoted record.
        {"TKUNTOOL.EXE Pellumar \"/LOG=C:\\my logs\\u.txt\" \"/S\"", "Pellumar", true, "C:\\my logs\\u.txt"},
        {"TKUNTOOL.EXE \"/Pellumar\" /S", "/Pellumar", true, nullptr},
        {"TKUNTOOL.EXE A \"B /C\" /S", "A \"B /C\"", true, nullptr},
        {"TKUNTOOL.EXE Pellumar /LOG=\"C:\\a\"b", "Pellumar /LOG=\"C:\\a\"b", false, nullptr},
        {"TKUNTOOL.EXE Pellumar /CURRENTUSER /CurrentUser", "Pellumar /CURRENTUSER /CurrentUser", false, nullptr},
    };
    for (const auto& c : cases) {
        const UninstallCommandLine parsed = ParseUninstallCommandLine(c.commandLine);
        EXPECT_EQ(parsed.record, c.record) << c.commandLine;
        EXPECT_EQ(parsed.silent, c.silent) << c.commandLine;
        EXPECT_EQ(parsed.logFile.value_or("<none>"), c.log ? c.log : "<none>") << c.commandLine;
        EXPECT_FALSE(parsed.currentUser) << c.commandLine;
    }
    const UninstallCommandLine perUser = ParseUninstallCommandLine("TKUNTOOL.EXE My Product /CURRENTUSER /S");
    EXPECT_EQ(perUser.record, "My Product");
    EXPECT_TRUE(perUser.currentUser && perUser.silent);
}

}  // namespace
}  // namespace uninstaller
