// The Restart Manager session against the system's own rstrtmgr.dll: loaded from
// the system folder, its functions found, files registered in more than one call.
// Wine lists no program for any file; Windows lists this program, which holds one.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Handles_win.h"
#include "install/RestartManager_win.h"

namespace install {
namespace {

TEST(RestartManagerSession, RegistersFilesInBatchesAndListsTheirHolders) {
    const std::string held = "C:\\RestartManagerHeld.txt";
    framework::FileHandle file(
        CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid());

    RestartManagerSession session;
    ASSERT_TRUE(session.Available()) << session.LastError();
    std::vector<std::string> paths(1000, "C:\\NoSuchFolder\\missing.txt");
    paths.push_back(held);  // the second call's only file
    EXPECT_TRUE(session.RegisterFiles(paths));
    const auto holders = session.HoldingPrograms();
    ASSERT_TRUE(holders.has_value()) << session.LastError();
    for (const std::string& name : holders->names) EXPECT_FALSE(name.empty());
    EXPECT_TRUE(session.Available());
    file.Reset();
    DeleteFileA(held.c_str());
}

}  // namespace
}  // namespace install
