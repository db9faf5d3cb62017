// Test helper: makes a shortcut exactly as the installation does, through
// install::ShortcutMaker.
// Usage: make_shortcut group|desktop GROUP NAME TARGET WORKING-FOLDER [ARGUMENTS]
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "install/ShortcutMaker_win.h"

int main(int argc, char** argv) {
    if (argc < 6 || (std::strcmp(argv[1], "group") != 0 && std::strcmp(argv[1], "desktop") != 0)) {
        std::fprintf(stderr, "usage: %s group|desktop GROUP NAME TARGET WORKING-FOLDER [ARGUMENTS]\n", argv[0]);
        return 2;
    }
    const std::optional<std::string> arguments = argc > 6 ? std::optional<std::string>(argv[6]) : std::nullopt;
    install::ShortcutMaker maker;
    const bool made = std::strcmp(argv[1], "group") == 0
                          ? maker.CreateStartMenuShortcut(argv[4], argv[2], argv[3], argv[5], arguments, std::nullopt, 0)
                          : maker.CreateDesktopShortcut(argv[4], argv[2], argv[3], argv[5], arguments, std::nullopt, 0);
    if (!made) std::fprintf(stderr, "shortcut %s could not be made\n", argv[3]);
    return made ? 0 : 1;
}
