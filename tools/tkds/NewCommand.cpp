// tkds new DIR
//
// A vendor's starting point: copies the kit's sample folder (the demo product's
// manifest, texts, skin and icon) into DIR, which must not exist or be empty.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/KitFolder.h"

namespace tkds {

namespace {

namespace fs = std::filesystem;

// Shell words as a user can paste them: quoted when they hold anything but plain characters.
std::string ShellWord(const std::string& word) {
    if (word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./+") ==
        std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunNew(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, {}, parsed, error)) return UsageError(kNewCommand, error);
    if (parsed.positional.size() != 1) return UsageError(kNewCommand, "expected the folder to make");
    const fs::path target = parsed.positional[0];

    fs::path kit;
    if (!FindKitFolder(kit, error)) {
        PrintError(error);
        return kExitFailure;
    }
    const fs::path sample = kit / kKitSample;
    std::error_code failure;
    if (!fs::is_directory(sample, failure)) {
        PrintError("no sample folder " + sample.string() + " beside tkds");
        return kExitFailure;
    }
    const fs::file_status status = fs::symlink_status(target, failure);
    if (fs::exists(status)) {
        if (!fs::is_directory(status) || !fs::is_empty(target, failure) || failure) {
            PrintError(target.string() + " already exists and is not an empty folder");
            return kExitFailure;
        }
    }
    fs::create_directories(target, failure);
    if (!failure) fs::copy(sample, target, fs::copy_options::recursive, failure);
    if (failure) {
        PrintError("cannot copy the sample into " + target.string() + ": " + failure.message());
        return kExitFailure;
    }
    const std::string folder = target.string();
    std::printf("A copy of the sample setup is in %s. Put your product's files into its product/\n"
                "folder, replace the texts and the pictures (see the vendor guide), then make the\n"
                "setup program:\n\n"
                "  tkds make %s -o setup.exe --icon %s --product-version 1.0.0.0 --company 'Your company'\n",
                folder.c_str(), ShellWord((target / "container.manifest").string()).c_str(),
                ShellWord((target / "setup.ico").string()).c_str());
    return kExitOk;
}

}  // namespace

const Command kNewCommand = {
    "new",
    "DIR",
    "start a vendor folder: a copy of the sample setup (manifest, texts, skin, icon, product) in DIR",
    RunNew,
};

}  // namespace tkds
