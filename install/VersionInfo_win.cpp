// The program's own version information, read from its image in place: the
// resource functions of kernel32 only, since version.dll would be loaded from the
// setup's own folder before the DLL search is restricted.
#include <windows.h>

#include "install/VersionInfo.h"

namespace install {

namespace {

std::string ToAnsi(const std::u16string& text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

}  // namespace

OwnVersionTexts ReadOwnVersionTexts() {
    OwnVersionTexts texts;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(version_layout::kResourceId), RT_VERSION);
    if (!found) return texts;
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return texts;
    const std::span resource(static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, found));
    std::u16string text;
    if (FindVersionString(resource, u"ProductVersion", text)) texts.productVersion = ToAnsi(text);
    if (FindVersionString(resource, u"CompanyName", text)) texts.companyName = ToAnsi(text);
    return texts;
}

}  // namespace install
