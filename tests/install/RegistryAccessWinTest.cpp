// RegistryAccess against the real registry of a fresh Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Handles_win.h"
#include "install/RegistryAccess.h"
#include "tests/install/ProgramFilesView_win.h"

namespace install {
namespace {

const char* const kTestKey = "Software\\TolvikRegistryTest";

struct RawValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

RawValue QueryRaw(HKEY root, const std::string& key, const std::string& name) {
    RawValue value;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return value;
    const framework::RegistryKey owner(raw);
    DWORD size = 0;
    if (RegQueryValueExA(owner, name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
    value.data.resize(size);
    if (RegQueryValueExA(owner, name.c_str(), nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) {
        return value;
    }
    value.data.resize(size);
    value.found = true;
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    RegCloseKey(raw);
    return true;
}

void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const framework::RegistryKey owner(raw);
    ASSERT_EQ(RegSetValueExA(owner, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

std::vector<BYTE> Sz(const std::string& text) {
    std::vector<BYTE> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

class RegistryAccessTest : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TolvikRegistryTest");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "TolvikRegistryTest");
    }
    RegistryAccess registry;
};

TEST_F(RegistryAccessTest, OtherRootNumbersTouchNothing) {
    for (int root : {0, 4, -1, 100}) {
        std::string text = "untouched";
        EXPECT_FALSE(registry.WriteRegistryText(root, "Software\\TolvikRegistryTest\\v", "x"));
        EXPECT_FALSE(registry.WriteRegistryNumber(root, "Software\\TolvikRegistryTest\\n", 1));
        EXPECT_FALSE(registry.WriteRegistryDword(root, "Software\\TolvikRegistryTest\\d", 1));
        EXPECT_FALSE(registry.ReadRegistryText(root, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir",
                                               text));
        EXPECT_EQ(text, "untouched");
        EXPECT_FALSE(registry.DeleteRegistryValue(root, "Software\\TolvikRegistryTest\\v"));
        EXPECT_FALSE(registry.DeleteRegistryKey(root, "Software\\TolvikRegistryTest"));
    }
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        EXPECT_FALSE(KeyExists(root, "Software\\TolvikRegistryTest"));
    }
}

TEST_F(RegistryAccessTest, WriteCreatesTheWholeChain) {
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kTestKey));
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Pellumar\\Uninstall\\up", "1"));
    const RawValue up = QueryRaw(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\Pellumar\\Uninstall", "up");
    ASSERT_TRUE(up.found);
    EXPECT_EQ(up.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(up.data, Sz("1"));
}

TEST_F(RegistryAccessTest, TextIsStoredWithItsTerminatingZero) {
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\abc", "abc"));
    const RawValue abc = QueryRaw(HKEY_CURRENT_USER, kTestKey, "abc");
    EXPECT_EQ(abc.data.size(), 4u);
    EXPECT_EQ(abc.data, Sz("abc"));

    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\empty", ""));
    EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, kTestKey, "empty").data, Sz(""));

    // An existing value is replaced.
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\abc", "longer text"));
    EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, kTestKey, "abc").data, Sz("longer text"));
}

TEST_F(RegistryAccessTest, NumbersAreDecimalText) {
    struct Case {
        std::int32_t number;
        const char* text;
    };
    for (const Case c : {Case{0, "0"}, Case{-5, "-5"}, Case{42, "42"}, Case{2147483647, "2147483647"},
                         Case{-2147483647 - 1, "-2147483648"}}) {
        ASSERT_TRUE(registry.WriteRegistryNumber(CurrentUser, "Software\\TolvikRegistryTest\\n", c.number));
        const RawValue n = QueryRaw(HKEY_CURRENT_USER, kTestKey, "n");
        EXPECT_EQ(n.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(n.data, Sz(c.text));
    }
}

TEST_F(RegistryAccessTest, DwordWriter) {
    ASSERT_TRUE(registry.WriteRegistryDword(CurrentUser, "Software\\TolvikRegistryTest\\d", 701));
    const RawValue d = QueryRaw(HKEY_CURRENT_USER, kTestKey, "d");
    EXPECT_EQ(d.type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(d.data.size(), 4u);
    EXPECT_EQ(d.data, (std::vector<BYTE>{0xBD, 0x02, 0, 0}));
}

TEST_F(RegistryAccessTest, ReadsBackWhatItWrote) {
    std::string text;
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Key\\Name", "Value text"));
    ASSERT_TRUE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Key\\Name", text));
    EXPECT_EQ(text, "Value text");
    ASSERT_TRUE(registry.WriteRegistryNumber(CurrentUser, "Software\\TolvikRegistryTest\\Key\\N", -5));
    ASSERT_TRUE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Key\\N", text));
    EXPECT_EQ(text, "-5");
}

TEST_F(RegistryAccessTest, ReadByType) {
    const DWORD answer = 42;
    SetRaw(HKEY_CURRENT_USER, kTestKey, "dword", REG_DWORD, &answer, sizeof answer);
    const BYTE binary[] = {1, 2, 3};
    SetRaw(HKEY_CURRENT_USER, kTestKey, "binary", REG_BINARY, binary, sizeof binary);
    const char multi[] = "a\0b\0";
    SetRaw(HKEY_CURRENT_USER, kTestKey, "multi", REG_MULTI_SZ, multi, sizeof multi);
    const char expand[] = "%SystemRoot%\\x";
    SetRaw(HKEY_CURRENT_USER, kTestKey, "expand", REG_EXPAND_SZ, expand, sizeof expand);

    struct Case {
        const char* name;
        bool ok;
        const char* text;
    };
    for (const Case c : {Case{"dword", true, "42"}, Case{"binary", false, "Binary data"},
                         Case{"multi", false, "Can't convert to string"}, Case{"expand", true, "%SystemRoot%\\x"}}) {
        std::string text = "untouched";
        EXPECT_EQ(registry.ReadRegistryText(CurrentUser, std::string(kTestKey) + "\\" + c.name, text), c.ok) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
}

TEST_F(RegistryAccessTest, ReadBufferHolds256Bytes) {
    const std::string fits(255, 'f');  // 255 characters and the zero: 256 bytes
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\fits", fits));
    std::string text;
    EXPECT_TRUE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\fits", text));
    EXPECT_EQ(text, fits);

    const std::string tooLong(299, 'x');  // a 300-byte value
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\long", tooLong));
    text = "untouched";
    EXPECT_FALSE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\long", text));
    EXPECT_EQ(text, "untouched");

    // 256 characters stored without a terminating zero: never read past the buffer.
    const std::string unterminated(256, 'u');
    SetRaw(HKEY_CURRENT_USER, kTestKey, "unterminated", REG_SZ, unterminated.data(), 256);
    text = "untouched";
    if (registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\unterminated", text)) {
        EXPECT_EQ(text, unterminated);
    } else {
        EXPECT_EQ(text, "untouched");  // the system wanted room for a zero of its own
    }
}

// Texts are UTF-8 in the program and UTF-16 in the registry: characters outside
// the ANSI code page survive, and values an ANSI writer stored read the same.
TEST_F(RegistryAccessTest, TextsBeyondTheCodePage) {
    const std::string path = "C:\\Programme\\\xC3\x9C" "berpr\xC3\xBC" "fung\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    const std::wstring wide = L"C:\\Programme\\\u00DCberpr\u00FCfung\\\u65E5\u672C\u8A9E";
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\K\xC3\xA9y\\Jir\xC3\xAD", path));
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\TolvikRegistryTest\\K\u00E9y", 0, KEY_READ, &raw),
              ERROR_SUCCESS);
    const framework::RegistryKey owner(raw);
    wchar_t stored[64] = {};
    DWORD size = sizeof stored;
    DWORD type = REG_NONE;
    ASSERT_EQ(RegQueryValueExW(owner, L"Jir\u00ED", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(stored), wide);
    EXPECT_EQ(size, (wide.size() + 1) * sizeof(wchar_t));

    std::string text;
    EXPECT_TRUE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\K\xC3\xA9y\\Jir\xC3\xAD", text));
    EXPECT_EQ(text, path);

    // An earlier version's value: ANSI bytes (Windows-1252 here) through RegSetValueExA.
    const char ansi[] = "C:\\\xDC" "ber";
    SetRaw(HKEY_CURRENT_USER, kTestKey, "ansi", REG_SZ, ansi, sizeof ansi);
    text.clear();
    EXPECT_TRUE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\ansi", text));
    if (GetACP() == 1252) {
        EXPECT_EQ(text, "C:\\\xC3\x9C" "ber");
    }
}

TEST_F(RegistryAccessTest, MissingKeyOrValue) {
    std::string text = "untouched";
    EXPECT_FALSE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Missing\\v", text));
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\present", "p"));
    EXPECT_FALSE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\absent", text));
    EXPECT_EQ(text, "untouched");
}

TEST_F(RegistryAccessTest, PathWithoutKeyAndDefaultValue) {
    // "\" at the end names the key's default value.
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Key\\", "default"));
    EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\Key", "").data, Sz("default"));
    std::string text;
    ASSERT_TRUE(registry.ReadRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\Key\\", text));
    EXPECT_EQ(text, "default");

    // No "\" at all: a value of the root key itself.
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "TolvikRootValue", "at the root"));
    EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, "", "TolvikRootValue").data, Sz("at the root"));
    EXPECT_TRUE(registry.DeleteRegistryValue(CurrentUser, "TolvikRootValue"));
    EXPECT_FALSE(QueryRaw(HKEY_CURRENT_USER, "", "TolvikRootValue").found);
}

TEST_F(RegistryAccessTest, EveryRoot) {
    ASSERT_TRUE(registry.WriteRegistryText(ClassesRoot, "TolvikRegistryTest\\v", "classes"));
    ASSERT_TRUE(registry.WriteRegistryText(LocalMachine, "SOFTWARE\\TolvikRegistryTest\\v", "machine"));
    EXPECT_EQ(QueryRaw(HKEY_CLASSES_ROOT, "TolvikRegistryTest", "v").data, Sz("classes"));
    EXPECT_EQ(QueryRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\TolvikRegistryTest", "v").data, Sz("machine"));

    std::string folder;
    ASSERT_TRUE(registry.ReadRegistryText(LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir",
                                          folder));
    EXPECT_EQ(folder, test::ExpectedProgramFiles());
}

TEST_F(RegistryAccessTest, DeleteHelpers) {
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\A\\B\\v", "1"));
    ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\A\\w", "2"));
    EXPECT_TRUE(registry.DeleteRegistryValue(CurrentUser, "Software\\TolvikRegistryTest\\A\\w"));
    EXPECT_FALSE(QueryRaw(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\A", "w").found);
    EXPECT_TRUE(registry.DeleteRegistryValue(CurrentUser, "Software\\TolvikRegistryTest\\A\\w"));  // gone already
    EXPECT_TRUE(registry.DeleteRegistryValue(CurrentUser, "Software\\TolvikRegistryTest\\Nowhere\\w"));

    EXPECT_FALSE(registry.DeleteRegistryKey(CurrentUser, ""));  // never the root itself
    EXPECT_TRUE(registry.DeleteRegistryKey(CurrentUser, "Software\\TolvikRegistryTest\\A"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\A"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kTestKey));
    EXPECT_TRUE(registry.DeleteRegistryKey(CurrentUser, "Software\\TolvikRegistryTest\\A"));
}

// The writer keeps the keys it writes to open: a key removed meanwhile, by the
// writer or from outside, is made again by the next value into it.
TEST_F(RegistryAccessTest, AKeyKeptOpenIsMadeAgainOnceRemoved) {
    for (int round = 0; round < 2; ++round) {
        for (const char* value : {"a", "b", "c"}) {
            ASSERT_TRUE(registry.WriteRegistryText(CurrentUser, std::string("Software\\TolvikRegistryTest\\A\\") + value,
                                                   value));
        }
        EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\A", "c").data, Sz("c"));
        if (round == 0) {
            ASSERT_TRUE(registry.DeleteRegistryKey(CurrentUser, "Software\\TolvikRegistryTest\\A"));
        }
    }
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\A"), ERROR_SUCCESS);
    EXPECT_TRUE(registry.WriteRegistryText(CurrentUser, "Software\\TolvikRegistryTest\\A\\d", "d"));
    EXPECT_EQ(QueryRaw(HKEY_CURRENT_USER, "Software\\TolvikRegistryTest\\A", "d").data, Sz("d"));
}

}  // namespace
}  // namespace install
