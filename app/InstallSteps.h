#pragma once
// The installation run's rules that need no Windows: where an entry's file goes,
// which files the uninstall log lists, the progress percentages and the texts the
// user is shown.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "install/InstallDocument.h"

namespace app {

inline constexpr std::string_view kRunTitle = "Tolvik Setup.";
inline constexpr std::string_view kCheckingFolders = "Checking folders...";
inline constexpr std::string_view kCheckingDiskSpace = "Checking disk space...";
inline constexpr std::string_view kCreatingShortcuts = "Creating shortcuts...";
inline constexpr std::string_view kSettingUninstall = "setting uninstall...";
inline constexpr std::string_view kCompleteSuccessfully = "complete successfully";
inline constexpr std::string_view kNotEnoughSpace = "Not enough space on destination drive...";
inline constexpr std::string_view kSourceCorrupt = "Source corrupt...\n";
inline constexpr std::string_view kReplacedAtRestart =
    "Programs that were running held some of the product's files. Setup replaces them when Windows next "
    "starts; restart Windows before you use the product.";
inline constexpr std::string_view kFilesInUseCancelled =
    "Setup installed nothing: running programs hold files of the product.";
inline constexpr std::string_view kWindowsFolderForOneUser =
    "This product puts files into the Windows folder, which only an administrator can change: it cannot be "
    "installed for one user. Nothing was installed.";
inline constexpr std::string_view kRecordNotWritten =
    "Setup could not write the uninstall record of this product, so it installed nothing.";

// "Path invalid." and how a full path looks.
std::string PathRejectedMessage();
// "File could not be opened..." and the description of the file error.
std::string FileErrorMessage(std::string_view description);
// Said instead of installing when the install document is damaged.
std::string DamagedSetupMessage(std::string_view reason);

// The file-error description for a file or folder that setup will not write
// through: it is a link to another place (a reparse point).
std::string LinkRefusedDescription(std::string_view path);

// The file-error description for a file in a base folder that this record did not
// install (its trusted log does not list it): setup neither replaces nor removes it.
std::string ForeignFileDescription(std::string_view path);

// The file-error description for an existing folder that users other than
// administrators may change (its owner, or its access list): setup writes nothing into it.
std::string OpenFolderDescription(std::string_view path);

// Said at the end of a run that completed but could not make every shortcut;
// lines names them, one a line.
std::string LostShortcutsMessage(std::string_view lines);

// The question when running programs hold files setup must replace (programs: the
// names the Restart Manager gives, at most kListedPrograms of them listed): what
// each of the three buttons does, Try Again, Continue and Cancel, as
// FilesInUsePrompt_win.h shows them.
inline constexpr std::size_t kListedPrograms = 10;
std::string FilesInUseQuestion(const std::vector<std::string>& programs);

// The uninstall entry's "InstallLocation" for a destination: empty for a drive
// root ("C:\"), which is never an installation's own folder.
std::string InstallLocationFor(std::string_view destination);

// What installing version over the installed one is, for the run's log:
// "upgrade: 1.0 to 2.0", "repair: 2.0", "downgrade: 2.0 to 1.0"; versions are
// compared part by part as numbers ("1.10" is above "1.9"), a part that is no
// number as text. Empty when either version is unknown.
std::string VersionChangeText(std::string_view installed, std::string_view version);

// "Complete: 5%", "Complete: 52%", ...
std::string CompleteText(int percent);

// Pauses that let the user read each stage, in milliseconds: after the folders
// and after the free space (kStageWait), after "Complete: 5%", each file (up to
// kPacedEntries entries), "Creating shortcuts..." and "setting uninstall..."
// (kStepWait), and after "complete successfully" (kFinalWait). Each counts from
// the moment its text shows, so the work done meanwhile (a large file being
// written) shortens it; the demo's steps take milliseconds and keep them whole.
inline constexpr unsigned kStageWait = 500;
inline constexpr unsigned kStepWait = 200;
inline constexpr unsigned kFinalWait = 1000;
// A document of up to this many entries is paced and counted file by file; a
// larger one by bytes, without a pause per file, so that its fixed waits stay
// those of the stages (2.6 s) however many files it has.
inline constexpr std::size_t kPacedEntries = 10;

// The percentage after each payload file, from 5 to 100, and the pause after it.
// Up to kPacedEntries entries: adding 95 / entries each time (in double
// precision), truncated toward zero (two entries give 52 and 100), and kStepWait.
// More entries: 5 + 95 x the bytes written so far / all the entries' bytes,
// truncated (by files when there are no bytes at all), and no pause.
class ProgressCounter {
public:
    // The decoded sizes of the entries, in document order.
    explicit ProgressCounter(std::vector<std::uint64_t> sizes);
    explicit ProgressCounter(const std::vector<install::PayloadEntry>& entries);
    // The percentage once the next entry's file is written.
    int Advance();
    unsigned FileWait() const noexcept;

private:
    std::vector<std::uint64_t> sizes_;
    std::size_t next_ = 0;
    std::uint64_t bytesWritten_ = 0;
    std::uint64_t totalBytes_ = 0;
    double progress_ = 5.0;
    double step_;
};

// The folders an entry's file may go to.
struct BaseFolders {
    std::string destination;    // the path the user confirmed
    std::string windowsFolder;  // GetSystemWindowsDirectory
    std::string programFiles;   // the Program Files folder
};

// The entry's base folder, ending in "\": the destination for InstallFolder and
// PluginFolder, the Windows folder for WindowsFolder, the Program Files folder for
// ProgramFiles.
std::string BaseFolderFor(install::FolderKind kind, const BaseFolders& folders);
// Files in the Windows folder are not listed in the uninstall log.
bool IsLoggedKind(install::FolderKind kind);

// folder with a final "\" (an empty folder becomes "\").
std::string WithTrailingBackslash(std::string folder);

// Where a payload file goes: base (ending in "\") and the parts of fileName, which
// may be separated by "\" or "/" ("lib/x\\y.py" below "C:\D\" gives
// "C:\D\lib\x\y.py"), and the folders between them, outermost first, each
// ending in "\" ("C:\D\lib\", "C:\D\lib\x\").
struct PayloadPlace {
    std::string path;
    std::string folder;                   // the file's own folder, ending in "\"
    std::string name;                     // the file's own name
    std::vector<std::string> subfolders;  // below base, down to folder
};
PayloadPlace PayloadPlaceFor(const std::string& base, std::string_view fileName);

// The files an earlier run of the record installed (earlierFiles, as its trusted
// log lists them) that this run does not (installed), each once, in the log's order:
// what an upgrade removes, so that nothing of the earlier version is left behind.
std::vector<std::string> StaleFiles(const std::vector<std::string>& earlierFiles,
                                    const std::vector<std::string>& installed);

}  // namespace app
