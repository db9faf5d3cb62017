// The uninstall log and entry as they land in a real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <map>
#include <utility>
#include <vector>

#include "framework/Handles_win.h"
#include "install/InstallDate.h"
#include "install/UninstallLayout.h"
#include "install/UninstallRecord.h"

namespace install {
namespace {

struct Value {
    std::string name;
    DWORD type;
    std::string data;  // REG_SZ without its zero, or the DWORD in decimal
    bool operator==(const Value&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Value& v) {
    return out << v.name << " (" << v.type << ") = " << v.data;
}

// Every value of a key, by name (the registry does not keep the order of writing).
std::map<std::string, Value> ValuesOf(HKEY root, const std::string& key) {
    std::map<std::string, Value> values;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return values;
    const framework::RegistryKey owner(raw);
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(owner, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        Value value{name, type, {}};
        if (type == REG_DWORD && dataSize == 4) {
            value.data = std::to_string(*reinterpret_cast<const DWORD*>(data));
        } else {
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
            EXPECT_GT(dataSize, 0u) << name;
            EXPECT_EQ(data[dataSize - 1], 0) << name << ": stored with its terminating zero";
            value.data.assign(reinterpret_cast<const char*>(data), dataSize ? dataSize - 1 : 0);
        }
        values.emplace(value.name, std::move(value));
    }
    return values;
}

Value Sz(const char* name, const std::string& data) { return {name, REG_SZ, data}; }
Value Dword(const char* name, DWORD data) { return {name, REG_DWORD, std::to_string(data)}; }

std::map<std::string, Value> ByName(const std::vector<Value>& values) {
    std::map<std::string, Value> map;
    for (const Value& v : values) map.emplace(v.name, v);
    return map;
}

const char* const kLog = "Software\\Tolvik\\Pellumar\\Uninstall";

class UninstallRecordTest : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tolvik");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tolvik");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumar");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvik");
    }
};

TEST_F(UninstallRecordTest, WorkedExampleStageByStage) {
    UninstallRecord record("Pellumar");
    EXPECT_EQ(record.LogKey(), "Software\\Tolvik\\Pellumar\\Uninstall");
    EXPECT_EQ(record.EntryKey(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumar");

    // Each stage adds exactly its own values, so a run that stops early leaves
    // the values of the stages before it and nothing after.
    std::vector<Value> log = {
        Sz("Project", "Tolvik Pellumar 1.0"),
        Sz("IDate", "Monday, December 07, 2026"),
        Sz("up", "1"),
        Sz("Folder0", "C:\\Program Files\\Tolvik\\Pellumar\\"),
        Sz("Folder1", "C:\\Program Files\\Tolvik\\"),
        Sz("TotalFolders", "2"),
    };
    // As CreateFolderPath lists them: outermost first.
    const std::vector<std::string> created = {"C:\\Program Files\\Tolvik\\", "C:\\Program Files\\Tolvik\\Pellumar\\"};
    EXPECT_TRUE(record.Begin("Tolvik Pellumar 1.0", created, "Monday, December 07, 2026"));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kLog), ByName(log));

    EXPECT_TRUE(record.AddFile("C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe"));
    log.push_back(Sz("File0", "C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe"));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kLog), ByName(log));
    EXPECT_TRUE(record.AddFile("C:\\Program Files\\Tolvik\\Pellumar\\License.txt"));
    log.push_back(Sz("File1", "C:\\Program Files\\Tolvik\\Pellumar\\License.txt"));
    EXPECT_TRUE(record.FinishFiles());
    log.push_back(Sz("TotalFiles", "2"));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kLog), ByName(log));

    EXPECT_TRUE(record.AddDesktopShortcut("Tolvik Pellumar 1.0"));
    log.push_back(Sz("DF0", "Tolvik Pellumar 1.0"));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kLog), ByName(log));
    EXPECT_TRUE(record.FinishShortcuts("Tolvik Pellumar 1.0"));
    log.push_back(Sz("TotalDF", "1"));
    log.push_back(Sz("SGroup", "Tolvik Pellumar 1.0"));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kLog), ByName(log));
    EXPECT_EQ(record.FileCount(), 2);
    EXPECT_EQ(record.DesktopShortcutCount(), 1);
    EXPECT_TRUE(ValuesOf(HKEY_LOCAL_MACHINE, record.EntryKey()).empty());  // the entry comes last, on its own

    UninstallEntry entry;
    entry.groupName = "Tolvik Pellumar 1.0";
    entry.uninstallerPath = "C:\\WINDOWS\\TKUNTOOL.EXE";
    entry.installLocation = "C:\\Program Files\\Tolvik\\Pellumar";
    entry.estimatedKilobytes = 701;
    EXPECT_TRUE(record.WriteUninstallEntry(entry));
    const std::vector<Value> system = {
        Sz("DisplayName", "Tolvik Pellumar 1.0 (Remove Only)"),
        Sz("UninstallString", "C:\\WINDOWS\\TKUNTOOL.EXE Pellumar"),
        Sz("QuietUninstallString", "C:\\WINDOWS\\TKUNTOOL.EXE Pellumar /S"),
        Sz("DisplayIcon", "C:\\WINDOWS\\TKUNTOOL.EXE"),
        Sz("InstallLocation", "C:\\Program Files\\Tolvik\\Pellumar"),
        Dword("EstimatedSize", 701),
        Dword("NoModify", 1),
        Dword("NoRepair", 1),
    };
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumar"),
              ByName(system));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kLog), ByName(log));  // the log is not touched by the entry
    // The trusted copy, where only an administrator can write, holds the same values.
    EXPECT_EQ(record.TrustedLogKey(), "SOFTWARE\\Tolvik\\Pellumar\\Uninstall");
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, record.TrustedLogKey()), ByName(log));
}

TEST_F(UninstallRecordTest, ARetryListsTheFoldersAnEarlierRunCreatedThatStillExist) {
    ASSERT_TRUE(CreateDirectoryA("C:\\TolvikCarry", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\TolvikCarry\\Pellumar", nullptr));
    {
        UninstallRecord first("Pellumar");
        first.Begin("G", {"C:\\TolvikCarry\\", "C:\\TolvikCarry\\Pellumar\\", "C:\\TolvikCarry\\Gone\\"}, "d");
    }
    UninstallRecord second("Pellumar");
    second.Begin("G", {}, "d");
    const std::vector<Value> folders = {Sz("Folder0", "C:\\TolvikCarry\\Pellumar\\"),
                                        Sz("Folder1", "C:\\TolvikCarry\\"), Sz("TotalFolders", "2")};
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        auto values = ValuesOf(root, root == HKEY_CURRENT_USER ? second.LogKey() : second.TrustedLogKey());
        for (const Value& v : folders) EXPECT_EQ(values[v.name], v);
    }
    RemoveDirectoryA("C:\\TolvikCarry\\Pellumar");
    RemoveDirectoryA("C:\\TolvikCarry");
}

TEST_F(UninstallRecordTest, SecondRunOverExistingFolders) {
    {
        UninstallRecord first("Pellumar");
        first.Begin("G", {"C:\\A\\", "C:\\A\\B\\"}, "d");
        first.AddFile("C:\\A\\B\\one");
        first.AddFile("C:\\A\\B\\two");
        first.FinishFiles();
    }
    UninstallRecord second("Pellumar");
    second.Begin("G", {}, "d");
    second.AddFile("C:\\A\\B\\only");
    second.FinishFiles();

    const auto values = ValuesOf(HKEY_CURRENT_USER, kLog);
    const auto has = [&values](const Value& v) {
        const auto found = values.find(v.name);
        return found != values.end() && found->second == v;
    };
    EXPECT_TRUE(has(Sz("TotalFolders", "0")));
    EXPECT_TRUE(has(Sz("Folder0", "C:\\A\\B\\")));  // left from the first run; only the total is current
    EXPECT_TRUE(has(Sz("Folder1", "C:\\A\\")));
    EXPECT_TRUE(has(Sz("File0", "C:\\A\\B\\only")));
    EXPECT_TRUE(has(Sz("File1", "C:\\A\\B\\two")));
    EXPECT_TRUE(has(Sz("TotalFiles", "1")));
    // The trusted copy lists exactly the files installed: the first run's extra value goes.
    const auto trusted = ValuesOf(HKEY_LOCAL_MACHINE, second.TrustedLogKey());
    EXPECT_EQ(trusted.count("File1"), 0u);
    EXPECT_EQ(second.TrustedFiles(), std::vector<std::string>{"C:\\A\\B\\only"});
}

TEST_F(UninstallRecordTest, RecordNameWithBackslashMakesNestedKeys) {
    UninstallRecord record("Tolvik\\Pellumar");
    record.Begin("G", {}, "d");
    UninstallEntry entry;
    entry.groupName = "G";
    entry.uninstallerPath = "C:\\windows\\TKUNTOOL.EXE";
    entry.displayIcon = "C:\\Apps\\Pellumar.exe";
    ASSERT_TRUE(record.WriteUninstallEntry(entry));

    EXPECT_FALSE(ValuesOf(HKEY_CURRENT_USER, "Software\\Tolvik\\Tolvik\\Pellumar\\Uninstall").empty());
    auto entryValues =
        ValuesOf(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvik\\Pellumar");
    EXPECT_EQ(entryValues["UninstallString"], Sz("UninstallString", "C:\\windows\\TKUNTOOL.EXE Tolvik\\Pellumar"));
    EXPECT_EQ(entryValues["DisplayIcon"], Sz("DisplayIcon", "C:\\Apps\\Pellumar.exe"));
}

TEST_F(UninstallRecordTest, UnusableRecordNameWritesNothing) {
    for (const char* name : {"", "\\", "A\\", "\\A", "A\\\\B"}) {
        UninstallRecord record(name);
        EXPECT_FALSE(record.Begin("G", {"C:\\X\\"}, "d")) << name;
        EXPECT_FALSE(record.AddFile("C:\\X\\f")) << name;
        EXPECT_FALSE(record.FinishFiles()) << name;
        EXPECT_FALSE(record.AddDesktopShortcut("S")) << name;
        EXPECT_FALSE(record.FinishShortcuts("G")) << name;
        UninstallEntry entry;
        entry.groupName = "G";
        EXPECT_FALSE(record.WriteUninstallEntry(entry)) << name;
    }
    HKEY maker = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tolvik", 0, KEY_READ, &maker), ERROR_SUCCESS);
    if (maker) RegCloseKey(maker);
    EXPECT_TRUE(ValuesOf(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall").empty());
}

TEST_F(UninstallRecordTest, TodaysDate) {
    SYSTEMTIME before = {};
    GetLocalTime(&before);
    UninstallRecord record("Pellumar");
    record.Begin("G", {});
    auto values = ValuesOf(HKEY_CURRENT_USER, kLog);
    // A run across midnight may see the next day.
    const std::string today = FormatInstallDate(before.wYear, before.wMonth, before.wDay);
    ASSERT_FALSE(today.empty());
    const std::string recorded = values["IDate"].data;
    EXPECT_TRUE(recorded == today || recorded == TodayInstallDate()) << recorded << " / " << today;
}

}  // namespace
}  // namespace install
