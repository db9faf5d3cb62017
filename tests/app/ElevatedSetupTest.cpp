// The elevated setup's arguments, read back by setup's own parser.
#include <gtest/gtest.h>

#include <string>

#include "app/ElevatedSetup.h"
#include "app/SetupCommandLine.h"
#include "framework/CommandLineText.h"

namespace app {
namespace {

TEST(ElevatedSetupArguments, TheLineKeepsItsSwitchesAndGetsTheFieldForAllUsers) {
    const struct {
        const char* line;
        const char* kept;  // the arguments before /ALLUSERS
    } cases[] = {
        {"setup.exe", ""},
        {"\"C:\\Down loads\\setup.exe\" /LOG=\"C:\\logs\\a b.txt\" /DIR=C:\\Old /CLOSEAPPLICATIONS",
         "/LOG=\"C:\\logs\\a b.txt\" /CLOSEAPPLICATIONS "},
        {"setup.exe \"/D=C:\\Quoted D\" /NORESTART", "/NORESTART "},
        {"setup.exe /NORESTART /D=C:\\Program Files\\Raw /NORESTART", "/NORESTART "},
    };
    const std::string destination = "C:\\Users\\Jo Ann\\AppData\\Local\\Programs\\Tolvik\\Pellumar";
    for (const auto& c : cases) {
        const std::string arguments = ElevatedSetupArguments(c.line, destination);
        EXPECT_EQ(arguments.substr(0, arguments.find("/ALLUSERS")), c.kept) << c.line;
        const ParsedCommandLine parsed = ParseSetupCommandLine("setup.exe " + arguments);
        ASSERT_EQ(parsed.error, "") << arguments;
        EXPECT_EQ(parsed.options.destination, destination) << arguments;
        EXPECT_EQ(parsed.options.scope, install::InstallScope::Machine) << arguments;
    }
}

TEST(ElevatedSetupArguments, TheFieldComesBackUnchangedWhateverItHolds) {
    for (const char* destination : {"C:\\", "C:\\A B\\\\", "D:\\Tab\there", "a\"b", "a\\\"b\\", "\"", ""}) {
        const std::vector<framework::CommandArgument> split =
            framework::SplitCommandLine("setup.exe " + ElevatedSetupArguments("setup.exe", destination));
        ASSERT_EQ(split.size(), 2u) << destination;
        EXPECT_EQ(split.back().text, std::string("/DIR=") + destination);
    }
}

}  // namespace
}  // namespace app
