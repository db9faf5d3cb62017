// tkds new DIR
//
// A vendor's starting point: copies the kit's sample folder (the demo product's
// manifest, texts, skin with its art for each display scale, and icon) into DIR,
// which must not exist or be empty.
// Nothing is written through a link: no part of DIR may be one.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileDescriptor.h"
#include "tools/tkds/FileIo.h"
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

// Opens the folder name inside parent without following a link, making it
// first when it is missing (made says so); invalid with the reason otherwise.
FileDescriptor OpenFolderIn(int parent, const std::string& name, bool& made, std::string& error) {
    made = ::mkdirat(parent, name.c_str(), 0777) == 0;
    if (!made && errno != EEXIST) {
        error = std::strerror(errno);
        return FileDescriptor();
    }
    FileDescriptor folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.Valid()) error = errno == ELOOP || errno == ENOTDIR ? "it is a link or not a folder" : std::strerror(errno);
    return folder;
}

// Opens the folder at path, making what is missing of it, with every part
// opened inside the one before and none of them a link: the files then go
// into the folder that was checked, whatever is renamed meanwhile.
FileDescriptor OpenTargetFolder(const fs::path& path, bool& made, std::string& error) {
    FileDescriptor folder(::open(path.is_absolute() ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) error = std::strerror(errno);
    fs::path walked = path.is_absolute() ? "/" : "";
    made = false;
    for (const fs::path& part : path.relative_path()) {
        if (part.empty() || part == ".") continue;
        walked /= part;
        FileDescriptor next = OpenFolderIn(folder.Get(), part.string(), made, error);
        if (!next.Valid()) {
            error = walked.string() + ": " + error;
            return next;
        }
        folder = std::move(next);
    }
    return folder;
}

// True when the open folder holds nothing but . and ..
bool IsEmptyFolder(int folder) {
    DIR* listing = ::fdopendir(::dup(folder));
    if (!listing) return false;
    bool empty = true;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") empty = false;
    }
    ::closedir(listing);
    return empty;
}

// Copies the sample folder into the open folder: each file made new (never
// over something there, never through a link), each subfolder made and opened
// as above.
bool CopyInto(const fs::path& source, int target, const fs::path& shown, std::string& error) {
    std::error_code failure;
    for (const fs::directory_entry& entry : fs::directory_iterator(source, failure)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(failure)) {
            bool made = false;
            const FileDescriptor folder = OpenFolderIn(target, name, made, error);
            if (!folder.Valid() || !made) {
                if (folder.Valid()) error = "it appeared meanwhile";
                error = (shown / name).string() + ": " + error;
                return false;
            }
            if (!CopyInto(entry.path(), folder.Get(), shown / name, error)) return false;
            continue;
        }
        std::vector<std::uint8_t> bytes;
        if (!ReadFileBytes(entry.path().string(), bytes, error)) {
            error = entry.path().string() + ": " + error;
            return false;
        }
        const FileDescriptor file(
            ::openat(target, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.Valid() || !WriteToDescriptor(file.Get(), bytes)) {
            error = (shown / name).string() + ": " + std::strerror(errno);
            return false;
        }
    }
    if (failure) error = source.string() + ": " + failure.message();
    return !failure;
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
    bool made = false;
    const FileDescriptor held = OpenTargetFolder(target, made, error);
    if (!held.Valid()) {
        PrintError("cannot make the folder " + target.string() + " (" + error +
                   "): give a path whose every part is a folder, not a link");
        return kExitFailure;
    }
    if (!made && !IsEmptyFolder(held.Get())) {
        PrintError(target.string() + " already exists and is not an empty folder");
        return kExitFailure;
    }
    if (!CopyInto(sample, held.Get(), target, error)) {
        PrintError("cannot copy the sample into " + target.string() + ": " + error);
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
