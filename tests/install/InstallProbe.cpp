// Drives the installation engine's Win32 half from the test scripts, which then
// check the results with Linux tools. One command per run; prints what it did.
//   record NAME                   writes the example uninstall log and entry for NAME
//   free PATH KILOBYTES           free bytes both ways, and whether KILOBYTES fit
//   folders PATH                  CreateFolderPath, then the folders it made
//   shortcut TARGET GROUP NAME WORKDIR [ARGS]
//                                 a Start-menu and a desktop shortcut; their paths
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "install/DiskSpace.h"
#include "install/FolderPath.h"
#include "install/HeldFolders_win.h"
#include "install/ShortcutMaker_win.h"
#include "install/ShortcutPath.h"
#include "install/UninstallRecord.h"

namespace {

int Record(const std::string& name) {
    install::UninstallRecord record(name);
    bool ok = record.Begin("Tolvik Pellumar 1.0", {"C:\\Program Files\\Tolvik\\", "C:\\Program Files\\Tolvik\\Pellumar\\"},
                           "Monday, December 07, 2026");
    ok &= record.AddFile("C:\\Program Files\\Tolvik\\Pellumar\\Pellumar.exe");
    ok &= record.AddFile("C:\\Program Files\\Tolvik\\Pellumar\\License.txt");
    ok &= record.FinishFiles();
    ok &= record.AddDesktopShortcut("Tolvik Pellumar 1.0");
    ok &= record.FinishShortcuts("Tolvik Pellumar 1.0");
    install::UninstallEntry entry;
    entry.groupName = "Tolvik Pellumar 1.0";
    entry.uninstallerPath = "C:\\WINDOWS\\TKUNTOOL.EXE";
    entry.installLocation = "C:\\Program Files\\Tolvik\\Pellumar";
    entry.estimatedKilobytes = 701;
    ok &= record.WriteUninstallEntry(entry);
    std::printf("record %s\n", ok ? "stored" : "incomplete");
    return ok ? 0 : 1;
}

int Free(const std::string& path, const char* kilobytesText) {
    const auto kilobytes = static_cast<std::uint32_t>(std::strtoul(kilobytesText, nullptr, 10));
    std::uint64_t viaExtended = 0, viaClusters = 0;
    if (!install::GetFreeDiskSpace(path, viaExtended)) {
        std::printf("free failed\n");
        return 1;
    }
    if (!install::GetFreeDiskSpaceByClusters(path, viaClusters)) {
        std::printf("clusters failed\n");
        return 1;
    }
    std::printf("free %llu\nclusters %llu\nenough %d\n", static_cast<unsigned long long>(viaExtended),
                static_cast<unsigned long long>(viaClusters), install::HasEnoughSpace(viaExtended, kilobytes) ? 1 : 0);
    return 0;
}

int Folders(const std::string& path) {
    std::vector<std::string> missing, created;
    std::string failed;
    install::HeldFolders held;
    const bool ok = install::HoldFolderPath(path, missing, held) && install::MakeFolders(missing, held, created, failed);
    std::printf("%s\n", ok ? "accepted" : "refused");
    for (const std::string& folder : created) std::printf("created %s\n", folder.c_str());
    return 0;
}

int Shortcut(int argc, char** argv) {
    const std::string target = argv[2], group = argv[3], name = argv[4], folder = argv[5];
    const std::optional<std::string> arguments = argc > 6 ? std::optional<std::string>(argv[6]) : std::nullopt;
    install::ShortcutMaker maker;
    std::string programs, desktop;
    if (!maker.GetProgramsFolder(programs) || !maker.GetDesktopFolder(desktop)) {
        std::printf("folders unknown\n");
        return 1;
    }
    const bool startMenu = maker.CreateStartMenuShortcut(target, group, name, folder, arguments, std::nullopt, 0);
    const bool onDesktop = maker.CreateDesktopShortcut(target, group, name, folder, arguments, std::nullopt, 0);
    std::string startPath = programs + "\\" + group;
    std::string desktopPath = desktop;
    install::AppendShortcutFile(startPath, name);
    install::AppendShortcutFile(desktopPath, name);
    std::printf("startmenu %d %s\ndesktop %d %s\n", startMenu ? 1 : 0, startPath.c_str(), onDesktop ? 1 : 0,
                desktopPath.c_str());
    return startMenu && onDesktop ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "record" && argc == 3) return Record(argv[2]);
    if (command == "free" && argc == 4) return Free(argv[2], argv[3]);
    if (command == "folders" && argc == 3) return Folders(argv[2]);
    if (command == "shortcut" && (argc == 6 || argc == 7)) return Shortcut(argc, argv);
    std::fprintf(stderr, "usage: install_probe record NAME | free PATH KB | folders PATH | "
                         "shortcut TARGET GROUP NAME WORKDIR [ARGS]\n");
    return 2;
}
