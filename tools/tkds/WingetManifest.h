#pragma once
// The Windows Package Manager's three multi-file manifests (schema 1.10.0) for a
// setup program that tkds make wrote: the version file, the installer file (hash,
// architecture, switches, exit codes, the uninstall entry setup registers, one
// installer per scope the product offers) and the default-locale file. Every text is written as a double-quoted YAML scalar, so
// no text can change the document's structure.
#include <string>
#include <string_view>
#include <vector>

#include "install/InstallScope.h"

namespace tkds {

inline constexpr std::string_view kWingetManifestVersion = "1.10.0";

struct WingetPackage {
    std::string packageId;         // Publisher.Product
    std::string packageVersion;    // the setup's product version, as it registers it
    std::string locale = "en-US";  // the default locale
    std::string publisher;         // UTF-8, also the entry's Publisher
    std::string packageName;       // UTF-8
    std::string license;           // UTF-8
    std::string shortDescription;  // UTF-8
    std::string copyright;         // UTF-8; empty: left out
    std::string architecture;      // x86 or x64
    install::ProductScope scope = install::ProductScope::Machine;
    std::string installerUrl;
    std::string installerSha256;   // 64 hex digits
    std::string productCode;       // the record: the uninstall entry's key name
    std::string displayName;       // UTF-8, the entry's DisplayName
    std::string displayVersion;    // the entry's DisplayVersion
};

// False, with the reason, when a field breaks a rule of the schemas.
bool CheckWingetPackage(const WingetPackage& package, std::string& error);

struct WingetFile {
    std::string name;  // <id>.yaml, <id>.installer.yaml, <id>.locale.<locale>.yaml
    std::string text;
};
std::vector<WingetFile> WingetManifests(const WingetPackage& package);

// text (UTF-8) as a YAML double-quoted scalar: "\" and """ escaped, every control
// character and YAML's other line breaks (U+0085, U+2028, U+2029) as escapes.
std::string YamlQuoted(std::string_view text);

// Windows-1252 text (the install document's) as UTF-8.
std::string AnsiToUtf8(std::string_view text);

}  // namespace tkds
