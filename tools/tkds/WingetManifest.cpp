#include "tools/tkds/WingetManifest.h"

#include <regex>

#include "framework/Utf8Units.h"
#include "tools/tkds/VersionResource.h"

namespace tkds {

namespace {

// Code points of UTF-8 text (the schemas' lengths count these); the text is
// known to be UTF-8 (checked where it was read).
std::size_t CodePoints(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

bool Matches(const std::string& text, const char* pattern) { return std::regex_match(text, std::regex(pattern)); }

bool CheckLength(std::string_view field, const std::string& text, std::size_t minimum, std::size_t maximum,
                 std::string& error) {
    const std::size_t length = CodePoints(text);
    if (length >= minimum && length <= maximum) return true;
    error = std::string(field) + " must have " + std::to_string(minimum) + " to " + std::to_string(maximum) +
            " characters, not " + std::to_string(length) + " ('" + text + "')";
    return false;
}

std::string Header(std::string_view type) {
    return "# yaml-language-server: $schema=https://aka.ms/winget-manifest." + std::string(type) + "." +
           std::string(kWingetManifestVersion) + ".schema.json\n\n";
}

std::string Field(std::string_view indent, std::string_view name, std::string_view value) {
    return std::string(indent) + std::string(name) + ": " + YamlQuoted(value) + "\n";
}

std::string Footer(std::string_view type) {
    return "ManifestType: " + std::string(type) + "\nManifestVersion: " + std::string(kWingetManifestVersion) + "\n";
}

// One entry of Installers: the same file for one scope. A machine product's setup
// asks for administrator rights as it starts, a user product's runs without them;
// one that offers both elevates itself for the machine and takes the scope from
// its command line: the entry's Custom switch, which winget adds to the switches
// given at the root (an entry takes each switch it does not give from there).
std::string InstallerEntry(const WingetPackage& p, install::InstallScope scope) {
    const bool forUser = scope == install::InstallScope::User;
    std::string entry = "- Architecture: " + p.architecture + "\n";
    entry += std::string("  Scope: ") + (forUser ? "user" : "machine") + "\n";
    entry += Field("  ", "InstallerUrl", p.installerUrl);
    entry += Field("  ", "InstallerSha256", p.installerSha256);
    std::string_view elevation = forUser ? "elevationProhibited" : "elevationRequired";
    if (p.scope == install::ProductScope::Both) {
        entry += "  InstallerSwitches:\n";
        entry += Field("    ", "Custom", forUser ? "/CURRENTUSER" : "/ALLUSERS");
        elevation = "elevatesSelf";
    }
    entry += "  ElevationRequirement: " + std::string(elevation) + "\n";
    return entry;
}

}  // namespace

std::string YamlQuoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(byte);
        } else if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xF];
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
            quoted += "\\N";
            ++i;
        } else if (byte == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            quoted += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\L" : "\\P";
            i += 2;
        } else {
            quoted += static_cast<char>(byte);
        }
    }
    quoted += '"';
    return quoted;
}

std::string AnsiToUtf8(std::string_view text) {
    std::string utf8;
    for (char16_t unit : AnsiToUtf16(text)) framework::AppendUtf8(utf8, unit);
    return utf8;
}

bool CheckWingetPackage(const WingetPackage& p, std::string& error) {
    // The schemas' patterns for the identifier, the version, the locale and the URL.
    if (!Matches(p.packageId, R"(^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$)") ||
        p.packageId.size() > 128) {
        error = "--package-id must be Publisher.Product: 2 to 8 parts of 1 to 32 characters joined by '.', without "
                "blanks or \\ / : * ? \" < > |, not '" + p.packageId + "'";
        return false;
    }
    if (!Matches(p.packageVersion, R"(^[^\\/:*?"<>|\x01-\x1f]+$)") || p.packageVersion.size() > 128) {
        error = "the product version '" + p.packageVersion + "' cannot be a package version";
        return false;
    }
    if (!Matches(p.locale, R"(^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$)") ||
        p.locale.size() > 20) {
        error = "--locale must be a language tag such as en-US, not '" + p.locale + "'";
        return false;
    }
    if (!Matches(p.installerUrl, R"(^[Hh][Tt][Tt][Pp][Ss]?://[^\s\x01-\x1f\x7f]+$)") || p.installerUrl.size() > 2048) {
        error = "--installer-url must be an http:// or https:// address without blanks, not '" + p.installerUrl + "'";
        return false;
    }
    if (!Matches(p.installerSha256, "^[A-Fa-f0-9]{64}$")) {
        error = "the installer's hash is not 64 hex digits";
        return false;
    }
    if (p.architecture != "x86" && p.architecture != "x64") {
        error = "the architecture must be x86 or x64";
        return false;
    }
    return CheckLength("--company (the publisher)", p.publisher, 2, 256, error) &&
           CheckLength("the package name (the document's group name)", p.packageName, 2, 256, error) &&
           CheckLength("--license", p.license, 3, 512, error) &&
           CheckLength("--short-description", p.shortDescription, 3, 256, error) &&
           (p.copyright.empty() || CheckLength("--copyright", p.copyright, 3, 512, error)) &&
           CheckLength("the record (ProductCode)", p.productCode, 1, 255, error) &&
           CheckLength("the display name", p.displayName, 1, 256, error) &&
           CheckLength("the display version", p.displayVersion, 1, 128, error);
}

std::vector<WingetFile> WingetManifests(const WingetPackage& p) {
    std::vector<WingetFile> files;
    const std::string identity = Field("", "PackageIdentifier", p.packageId) + Field("", "PackageVersion", p.packageVersion);

    files.push_back({p.packageId + ".yaml",
                     Header("version") + identity + Field("", "DefaultLocale", p.locale) + Footer("version")});

    std::string installer = Header("installer") + identity;
    installer += "InstallerType: exe\n";
    installer += "InstallModes:\n- interactive\n- silent\n- silentWithProgress\n";
    installer += "InstallerSwitches:\n";
    installer += Field("  ", "Silent", "/S");
    installer += Field("  ", "SilentWithProgress", "/PASSIVE");
    installer += Field("  ", "InstallLocation", "/D=<INSTALLPATH>");
    installer += Field("  ", "Log", "/LOG=\"<LOGPATH>\"");
    installer += "ExpectedReturnCodes:\n";
    installer += "- InstallerReturnCode: 1602\n  ReturnResponse: cancelledByUser\n";
    installer += "- InstallerReturnCode: 1618\n  ReturnResponse: installInProgress\n";
    installer += "- InstallerReturnCode: 3010\n  ReturnResponse: rebootRequiredToFinish\n";
    installer += Field("", "ProductCode", p.productCode);
    installer += "AppsAndFeaturesEntries:\n";
    installer += Field("- ", "DisplayName", p.displayName);
    installer += Field("  ", "Publisher", p.publisher);
    installer += Field("  ", "DisplayVersion", p.displayVersion);
    installer += Field("  ", "ProductCode", p.productCode);
    installer += "Installers:\n";
    for (install::InstallScope scope : {install::InstallScope::User, install::InstallScope::Machine}) {
        if (install::Offers(p.scope, scope)) installer += InstallerEntry(p, scope);
    }
    installer += Footer("installer");
    files.push_back({p.packageId + ".installer.yaml", installer});

    std::string locale = Header("defaultLocale") + identity;
    locale += Field("", "PackageLocale", p.locale);
    locale += Field("", "Publisher", p.publisher);
    locale += Field("", "PackageName", p.packageName);
    locale += Field("", "License", p.license);
    if (!p.copyright.empty()) locale += Field("", "Copyright", p.copyright);
    locale += Field("", "ShortDescription", p.shortDescription);
    locale += Footer("defaultLocale");
    files.push_back({p.packageId + ".locale." + p.locale + ".yaml", locale});
    return files;
}

}  // namespace tkds
