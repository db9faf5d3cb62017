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

}  // namespace
}  // namespace uninstaller
