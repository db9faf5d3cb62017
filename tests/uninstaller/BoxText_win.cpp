// Test helper: prints the text of the message box whose title is given, so that a
// script can check what a program told the user before it answers the box.
// Usage: box_text TITLE   (exit code 1 when no such box is open)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

BOOL CALLBACK CollectText(HWND child, LPARAM context) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0) return TRUE;
    char text[4096] = {};
    GetWindowTextA(child, text, sizeof text);
    auto& longest = *reinterpret_cast<std::string*>(context);
    if (std::string(text).size() > longest.size()) longest = text;  // the message, not the icon
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TITLE\n", argv[0]);
        return 2;
    }
    HWND box = FindWindowA("#32770", argv[1]);
    if (!box) return 1;
    std::string text;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
    std::fputs(text.c_str(), stdout);
    return 0;
}
