#pragma once
// Registry values addressed by a root number and one value path: the key path and
// the value name joined by "\" ("SOFTWARE\Microsoft\Windows\CurrentVersion\ProgramFilesDir").
// Texts are UTF-8; the registry holds strings as UTF-16 (REG_SZ). No operation
// shows a message; each reports by its result.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "framework/Handles_win.h"
#endif

namespace framework {
class RunLog;
}

namespace install {

// The roots an operation may address. Any other number makes it fail at once.
enum RegistryRoot : int {
    ClassesRoot = 1,   // HKEY_CLASSES_ROOT
    CurrentUser = 2,   // HKEY_CURRENT_USER
    LocalMachine = 3,  // HKEY_LOCAL_MACHINE
};

// "HKCR", "HKCU", "HKLM"; "?" for any other number.
std::string_view RegistryRootName(int root) noexcept;

// The registry's own numbers for the value types this layer converts.
enum RegistryValueType : std::uint32_t {
    StringValue = 1,        // REG_SZ
    ExpandStringValue = 2,  // REG_EXPAND_SZ
    BinaryValue = 3,        // REG_BINARY
    DwordValue = 4,         // REG_DWORD (little-endian)
    MultiStringValue = 7,   // REG_MULTI_SZ
};

class RegistryAccess {
public:
    RegistryAccess() = default;
    virtual ~RegistryAccess();

    // Cuts the value path at its last "\": the key path before it, the value name after it.
    // Without "\" the key path is empty (the root itself); a trailing "\" names the default value.
    static void SplitValuePath(std::string_view valuePath, std::string& keyPath, std::string& valueName);

    // Turns raw value bytes into text. Strings end at their first zero or at the end
    // of the bytes, whichever comes first (a string that fills the buffer without a
    // zero is never read past it); a DWORD needs four bytes and becomes "%ld" text.
    // Binary data gives false and "Binary data", any other type false and
    // "Can't convert to string". text is set in every case.
    static bool RegistryValueToText(const std::uint8_t* bytes, std::size_t size, std::uint32_t type, std::string& text);

    // Every value written from now on, and every one that could not be, is
    // logged (a run's /LOG=); the log must outlive this object. Null: none.
    void LogWritesTo(framework::RunLog* log) noexcept { log_ = log; }

#ifdef _WIN32
    // Stores text as REG_SZ (its terminating zero counted in the size), creating the
    // key and every missing key above it. The key stays open for later values into
    // it until the object goes: a log of many values opens its key once.
    bool WriteRegistryText(int root, std::string_view valuePath, std::string_view text) const;
    // Stores the number as decimal text ("%ld"): "0", "-5".
    bool WriteRegistryNumber(int root, std::string_view valuePath, std::int32_t number) const;
    // Stores the number as REG_DWORD, for values the system itself reads as numbers.
    bool WriteRegistryDword(int root, std::string_view valuePath, std::uint32_t number) const;

    // Reads a value of at most 256 characters as text (see RegistryValueToText). When the
    // key or value cannot be read, text is untouched; when the value's type does not
    // convert, the result is false and text holds the reason.
    bool ReadRegistryText(int root, std::string_view valuePath, std::string& text) const;

    // Waits until every value written under root and keyPath is on disk (RegFlushKey):
    // what a later step relies on survives a power loss that comes after.
    bool FlushRegistryKey(int root, std::string_view keyPath) const;

    // Removes one value; true when it is gone (also when it was never there).
    bool DeleteRegistryValue(int root, std::string_view valuePath) const;
    // Removes a key with all its values and subkeys; true when it is gone (also when
    // it was never there). An empty key path (the root itself) is refused.
    bool DeleteRegistryKey(int root, std::string_view keyPath) const;
#endif

private:
    bool Logged(bool written, int root, std::string_view valuePath, std::string_view data) const;

    framework::RunLog* log_ = nullptr;
#ifdef _WIN32
    struct WrittenKey {
        int root;
        std::string path;
        framework::RegistryKey key;
    };
    // The open key for values under root and keyPath, opened or made at its first use; null when it cannot be.
    HKEY KeyForWriting(int root, const std::string& keyPath) const;
    // What the first use of root and keyPath for writing left (an open key, or none
    // when it was refused); null before that use.
    const WrittenKey* Written(int root, std::string_view keyPath) const;
    bool WriteValue(int root, std::string_view valuePath, DWORD type, const BYTE* data, DWORD size) const;

    mutable std::vector<WrittenKey> writtenKeys_;
#endif
};

}  // namespace install
