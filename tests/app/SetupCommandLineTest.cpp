#include <gtest/gtest.h>

#include "app/SetupCommandLine.h"
#include "app/SetupReport.h"
#include "framework/CommandLineText.h"
#include "framework/RunLog.h"

namespace app {
namespace {

constexpr auto I = SetupMode::Interactive;
constexpr auto S = SetupMode::Silent;
constexpr auto P = SetupMode::Passive;

TEST(SetupCommandLine, GoodLines) {
    const struct {
        const char* line;
        SetupMode mode;
        const char* destination;  // nullptr: none
        const char* log;
        bool usage;
    } cases[] = {
        {"setup.exe", I, nullptr, nullptr, false},
        {"\"C:\\Down loads\\setup.exe\"   ", I, nullptr, nullptr, false},
        {"setup.exe /S", S, nullptr, nullptr, false},
        {"setup.exe /s", S, nullptr, nullptr, false},
        {"setup.exe /passive", P, nullptr, nullptr, false},
        {"setup.exe /S /D=C:\\Some Path With Blanks", S, "C:\\Some Path With Blanks", nullptr, false},
        {"setup.exe /d=C:\\A  B  ", I, "C:\\A  B", nullptr, false},
        {"setup.exe /DIR=\"C:\\Program Files\\X\" /PASSIVE", P, "C:\\Program Files\\X", nullptr, false},
        {"setup.exe /dir=C:\\X /log=\"C:\\my logs\\a.txt\"", I, "C:\\X", "C:\\my logs\\a.txt", false},
        {"setup.exe\t/LOG=C:\\a.txt\t/S", S, nullptr, "C:\\a.txt", false},
        {"setup.exe /?", I, nullptr, nullptr, true},
        {"setup.exe /S /D=C:\\X /S", S, "C:\\X /S", nullptr, false},  // /D= takes the rest of the line
        // Quoted whole or in its value, as CommandLineToArgvW splits the line.
        {"setup.exe /S \"/DIR=C:\\Argv Form\"", S, "C:\\Argv Form", nullptr, false},
        {"setup.exe \"/log=C:\\logs\\setup log.txt\" \"/S\"", S, nullptr, "C:\\logs\\setup log.txt", false},
        {"setup.exe \"/D=C:\\Quoted D\" /passive", P, "C:\\Quoted D", nullptr, false},
        {"setup.exe /DIR=\"C:\\Trailing\\\\\"", I, "C:\\Trailing\\", nullptr, false},
        {"\"C:\\dl\\setup.exe\"/S", S, nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        const ParsedCommandLine parsed = ParseSetupCommandLine(c.line);
        EXPECT_EQ(parsed.error, "") << c.line;
        EXPECT_EQ(parsed.options.mode, c.mode) << c.line;
        EXPECT_EQ(parsed.options.destination.value_or("<none>"), c.destination ? c.destination : "<none>") << c.line;
        EXPECT_EQ(parsed.options.logFile.value_or("<none>"), c.log ? c.log : "<none>") << c.line;
        EXPECT_EQ(parsed.showUsage, c.usage) << c.line;
        EXPECT_EQ(parsed.options.commandLine, c.line);
    }
}

TEST(SetupCommandLine, BadLinesAreRefusedQuietlyOnlyWithS) {
    const struct {
        const char* line;
        const char* error;
        bool quiet;
    } cases[] = {
        {"setup.exe /X", "/X is not a switch setup knows.", false},
        {"setup.exe /S /VERYSILENT", "/VERYSILENT is not a switch setup knows.", true},
        {"setup.exe /Q=1 /s", "/Q= is not a switch setup knows.", true},
        {"setup.exe C:\\X", "\"C:\\X\" is not a switch setup knows.", false},
        {"setup.exe / /S", "\"/\" is not a switch setup knows.", true},
        {"setup.exe /S=1", "/S= is not a switch setup knows.", false},
        {"setup.exe /S /S", "a switch is given twice.", true},
        {"setup.exe /S /PASSIVE", "/S and /PASSIVE exclude each other.", true},
        {"setup.exe /DIR=", "/DIR needs a value, e.g. /DIR=\"C:\\Folder\".", false},
        {"setup.exe /DIR=\"\"", "/DIR needs a value, e.g. /DIR=\"C:\\Folder\".", false},
        {"setup.exe /DIR=\"C:\\open", "\"/DIR=\"C:\\open\" is not a switch setup knows.", false},
        {"setup.exe /DIR=\"C:\\a\"b /S", "\"/DIR=\"C:\\a\"b\" is not a switch setup knows.", true},
        {"setup.exe /DIR=C:\\a /D=C:\\b", "the destination is given twice.", false},
        {"setup.exe /LOG=a /LOG=b", "/LOG= is given twice.", false},
        {"setup.exe /D=", "/D needs a value, e.g. /D=\"C:\\Folder\".", false},
        {"setup.exe /S /D=\"C:\\X\"", "/D= takes the folder unquoted, as the last argument (or use /DIR=\"...\").", true},
        {"setup.exe /? /X", "/X is not a switch setup knows.", false},
        {"setup.exe /NORESTART /norestart", "a switch is given twice.", false},
        {"setup.exe /CLOSEAPPLICATIONS=1 /S", "/CLOSEAPPLICATIONS= is not a switch setup knows.", true},
        {"setup.exe /CURRENTUSER /ALLUSERS", "/CURRENTUSER and /ALLUSERS exclude each other.", false},
        {"setup.exe /allusers /AllUsers", "a switch is given twice.", false},
        {"setup.exe /S \"/DIR=C:\\X", "\"\"/DIR=C:\\X\" is not a switch setup knows.", true},
        {"setup.exe \"/DIR=C:\\X\\\" /S", "\"\"/DIR=C:\\X\\\" /S\" is not a switch setup knows.", true},
        {"setup.exe /D\"IR=C:\\X\"", "\"/D\"IR=C:\\X\"\" is not a switch setup knows.", false},
    };
    for (const auto& c : cases) {
        const ParsedCommandLine parsed = ParseSetupCommandLine(c.line);
        EXPECT_EQ(parsed.error, c.error) << c.line;
        EXPECT_EQ(parsed.quietRefusal, c.quiet) << c.line;
        EXPECT_FALSE(parsed.showUsage) << c.line;
    }
}

TEST(SetupCommandLine, FlagsAndScope) {
    const ParsedCommandLine both = ParseSetupCommandLine("setup.exe /s /CloseApplications /NORESTART /D=C:\\X");
    EXPECT_EQ(both.error, "");
    EXPECT_TRUE(both.options.closeApplications && both.options.noRestart);
    EXPECT_EQ(both.options.destination.value_or(""), "C:\\X");
    const ParsedCommandLine neither = ParseSetupCommandLine("setup.exe /S");
    EXPECT_FALSE(neither.options.closeApplications || neither.options.noRestart);
    EXPECT_FALSE(neither.options.scope);
    EXPECT_EQ(ParseSetupCommandLine("setup.exe /s /CurrentUser").options.scope, install::InstallScope::User);
    EXPECT_EQ(ParseSetupCommandLine("setup.exe \"/ALLUSERS\"").options.scope, install::InstallScope::Machine);
}

// Lines whose splitting Windows' own CommandLineToArgvW shows; "|" between the arguments.
TEST(SplitCommandLine, AsTheSystemSplitsIt) {
    const struct {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"exe a\\b \"c d\"e\tf  ", "a\\b|c de|f"},
        {"exe \\\"one \\\\\"two\" \\\\\\\"three \\\\\\\\\"four\" end", "\"one|\\two|\\\"three|\\\\four|end"},
        {"exe two\"\"quotes three\"\"\"quotes four\"\"\"\" quotes\" x", "twoquotes|three\"quotes|four\" quotes|x"},
        {"exe \"two\"\"quotes next \"the crazy \\\\\"\"\"\\\\\" quotes", "two\"quotes|next|the crazy \\\"\\|quotes"},
        {"exe arg1 \"unclosed", "arg1|unclosed"},
        {"\"exe\"arg\" one\" argtwo", "arg one|argtwo"},
        {" \"arg\"one argtwo", "argone|argtwo"},
        {"\"spaced exe\\\"arg1 \"\"", "arg1|"},
    };
    for (const auto& c : cases) {
        const auto arguments = framework::SplitCommandLine(c.line);
        std::string joined;
        for (std::size_t i = 0; i < arguments.size(); ++i) joined += (i ? "|" : "") + arguments[i].text;
        EXPECT_EQ(joined, c.arguments) << c.line;
    }
}

TEST(SetupCommandLine, OutcomesAndLockNames) {
    EXPECT_EQ(ExitCodeFor(OutcomeOfWindow(kEndInstalled)), 0);
    EXPECT_EQ(ExitCodeFor(OutcomeOfWindow(kEndInstalledRestartNeeded)), 3010);
    EXPECT_EQ(ExitCodeFor(OutcomeOfWindow(kEndCancelled)), 1602);
    EXPECT_EQ(ExitCodeFor(OutcomeOfWindow(kEndFailed)), 1603);
    EXPECT_EQ(ExitCodeFor(OutcomeOfWindow(-1)), 1603);  // the window could not be made

    EXPECT_EQ(SetupLockFileName("Tolvik\\PELLUMAR"), SetupLockFileName("tolvik/Pellumar"));
    EXPECT_NE(SetupLockFileName("Pellumar"), SetupLockFileName("Pellumar2"));
    const std::string longName = SetupLockFileName(std::string(300, 'a') + "\\b:c");
    EXPECT_EQ(longName.size(), SetupLockFileName("x").size());
    EXPECT_EQ(longName.find_first_of("\\/:"), std::string::npos);
}

TEST(RunLog, LinesInUtf8WithIndentedContinuations) {
    std::string written;
    framework::RunLog log([&](std::string_view line) { written += line; return true; },
                          [](std::string_view ansi) {
                              std::string utf8;
                              for (char c : ansi) {
                                  if (static_cast<unsigned char>(c) == 0xFC) utf8 += "\xC3\xBC";  // u umlaut in 1252
                                  else utf8 += c;
                              }
                              return utf8;
                          });
    log.CommandLine("setup.exe /S /LOG=C:\\a.txt");
    log.Stage("Checking folders...");
    log.FolderCreated("C:\\\xFC\\");
    log.RegistryValue("HKLM", "SOFTWARE\\Tolvik\\Pellumar\\Uninstall\\up", "1");
    log.Outcome("failed", 1603, "Path invalid.\nYou must enter the full path, e.g.\r\n \"c:\\x\"");
    EXPECT_EQ(written,
              "command line: setup.exe /S /LOG=C:\\a.txt\r\n"
              "stage: Checking folders...\r\n"
              "folder created: C:\\\xC3\xBC\\\r\n"
              "registry value: HKLM\\SOFTWARE\\Tolvik\\Pellumar\\Uninstall\\up = 1\r\n"
              "outcome: failed (exit code 1603): Path invalid.\r\n"
              "    You must enter the full path, e.g.\r\n"
              "     \"c:\\x\"\r\n");
    EXPECT_TRUE(log.Intact());

    framework::RunLog failing([](std::string_view) { return false; }, {});
    failing.Stage("x");
    EXPECT_FALSE(failing.Intact());
    framework::RunLog none;
    none.Stage("x");  // no sink: nothing, no failure
    EXPECT_FALSE(none.Enabled());
    EXPECT_TRUE(none.Intact());
}

// A setup that may show no box fails at its first message and names it at the
// end, whatever its window said; an interactive one only logs its messages.
TEST(SetupReport, MessagesOfQuietAndInteractiveSetups) {
    for (const SetupMode mode : {S, P, I}) {
        SCOPED_TRACE(static_cast<int>(mode));
        std::string written;
        SetupReport report(mode);
        report.Message("before the log: not written");
        report.UseLog(framework::RunLog([&](std::string_view line) { written += line; return true; }, {}),
                      "setup.exe /LOG=x");
        report.Message("File could not be opened...\nAccess to C:\\a was denied.");
        report.Message("a second message");
        const bool quiet = mode != I;
        EXPECT_EQ(report.Failed(), quiet);
        EXPECT_EQ(report.Finish(SetupOutcome::Installed), quiet ? kExitFailed : kExitInstalled);
        const std::string messages =
            "command line: setup.exe /LOG=x\r\n"
            "message: File could not be opened...\r\n"
            "    Access to C:\\a was denied.\r\n"
            "message: a second message\r\n";
        EXPECT_EQ(written, messages + (quiet ? "outcome: failed (exit code 1603): before the log: not written\r\n"
                                             : "outcome: installed (exit code 0)\r\n"));
    }
    SetupReport cancelled(I);
    EXPECT_EQ(cancelled.Finish(SetupOutcome::Cancelled), kExitCancelled);
    SetupReport failed(P);
    EXPECT_EQ(failed.Finish(SetupOutcome::Failed), kExitFailed);
}

}  // namespace
}  // namespace app
