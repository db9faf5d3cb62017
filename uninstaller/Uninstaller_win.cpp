#include "uninstaller/Uninstaller_win.h"

#include <windows.h>

#include "framework/Elevation_win.h"
#include "framework/Handles_win.h"
#include "framework/UserMessages.h"
#include "framework/WideText_win.h"
#include "install/FileRemoval_win.h"
#include "install/PathText.h"
#include "install/RegistryKeys_win.h"
#include "install/ShortcutPath.h"
#include "install/UninstallLayout.h"
#include "uninstaller/CommandLine.h"
#include "uninstaller/OutcomeReport.h"
#include "uninstaller/RecordRemoval_win.h"
#include "uninstaller/RemovalPlan.h"
#include "uninstaller/ShortcutLink_win.h"

namespace uninstaller {

namespace layout = install::uninstall_layout;
using install::DescribeFailure;
using install::DriveRootOf;
using install::InstallScope;
using install::Removal;
using install::RemovalState;
using install::RemoveEmptyFolder;
using install::RemoveFile;
using install::RemoveFileOrAtRestart;
using install::RemoveFileWhen;
using install::RemoveFolderOrAtRestart;
using install::RemoveRunningProgram;

Prompt::~Prompt() = default;

bool MessageBoxPrompt::Confirm(std::string_view text) {
    const std::wstring title = framework::WideText(framework::ApplicationTitle());
    return MessageBoxW(nullptr, framework::WideText(text).c_str(), title.c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void MessageBoxPrompt::Report(std::string_view text, bool problem) {
    framework::ShowMessage(text, problem ? framework::MessageIcon::Exclamation : framework::MessageIcon::Information);
}

namespace {

// The log's values, read from one of its two keys through one handle.
class RegistryLogValues : public LogValues {
public:
    RegistryLogValues(int root, const std::string& key, install::RegistryView view) : key_(root, key, view) {}
    std::optional<std::string> Read(std::string_view valueName) const override {
        std::string text;
        if (!key_.Read(valueName, text)) return std::nullopt;
        return text;
    }

private:
    install::RegistryValueReader key_;
};

// The registry view that holds the key, the program's own looked at first.
std::optional<install::RegistryView> ViewHolding(int root, const std::string& key) {
    for (const install::RegistryView view : install::kBothViews) {
        if (install::RegistryKeyExists(root, key, view)) return view;
    }
    return std::nullopt;
}

// The all-users folder first, then the user's; each once, an unknown one left out.
std::vector<std::string> CommonAndOwn(const std::string& common, const std::string& own) {
    std::vector<std::string> folders;
    if (!common.empty()) folders.push_back(common);
    const auto commonPath = NormalizeLocalPath(common);
    const auto ownPath = NormalizeLocalPath(own);
    if (!own.empty() && !(commonPath && ownPath && install::SamePathText(*commonPath, *ownPath))) folders.push_back(own);
    return folders;
}

// True when the current user has a copy of the product of their own: a current
// user's record of this name. Read only to leave the user's folders alone.
bool UserHasOwnCopy(std::string_view record) {
    const auto keys = layout::KeysOfRecord(record, InstallScope::User);
    return keys && install::RegistryKeyExists(keys->trustedRoot, keys->trustedKey);
}

void ExpandAllShortNames(std::vector<LoggedValue>& values) {
    for (auto& value : values) value.value = ExpandShortNames(value.value);
}

// One uninstall after the user said Yes: collects what stays and why.
class RemovalRun {
public:
    RemovalRun(const layout::RecordKeys& record, const RemovalPlan& plan, const PathRules& rules,
               const UninstallSettings& settings)
        : record_(record), plan_(plan), rules_(rules), settings_(settings),
          userCopy_(record.scope == InstallScope::Machine && UserHasOwnCopy(record.name)) {}

    void RemoveDesktopShortcuts();
    void RemoveStartMenuGroup();
    void RemoveFiles();
    // The running uninstaller of a current user's record leaves the product's
    // folder, once every file of the record is gone.
    void ParkOwnUninstaller();
    void RemoveFolders();

    // A file or shortcut that is still there: running again may remove it.
    bool HasFailures() const noexcept { return !failures_.empty(); }
    void AddFailure(std::string line) { failures_.push_back(std::move(line)); }
    void AddUndetermined(std::string line) { undetermined_.push_back(std::move(line)); }

    // Every line for the report: failures first, then what was kept, then refusals.
    std::vector<std::string> NotRemoved() const;
    const std::vector<std::string>& Undetermined() const noexcept { return undetermined_; }
    // The files and folders in use, in the order their deletion at the next start
    // of Windows was scheduled.
    const std::vector<std::string>& AtRestart() const noexcept { return atRestart_; }

private:
    void Note(const Removal& removal, const std::string& path);
    void NoteFolder(const Removal& removal, const std::string& path);
    void RemoveOneFolder(const std::string& path, const std::string& base);
    // Removes the shortcut at path when it starts the product; see BelongsToProduct.
    Removal RemoveProductShortcut(const std::string& path, const std::string& base);
    bool BelongsToProduct(const ShortcutLink& link) const;
    void RemoveGroupIn(const std::string& programsFolder);
    // Where the record's shortcuts may be, of the all-users folder and the user's own.
    std::vector<std::string> ShortcutFolders(const std::string& common, const std::string& own) const;
    bool ForCurrentUser() const noexcept { return record_.scope == InstallScope::User; }

    const layout::RecordKeys& record_;
    const RemovalPlan& plan_;
    const PathRules& rules_;
    const UninstallSettings& settings_;
    std::vector<std::string> failures_;
    std::vector<std::string> kept_;
    std::vector<std::string> undetermined_;
    std::vector<std::string> atRestart_;
    bool userCopy_;  // a machine's record, and the current user has a copy of the product too
};

void RemovalRun::Note(const Removal& removal, const std::string& path) {
    if (removal.state == RemovalState::Failed) failures_.push_back(DescribeFailure(removal, path));
    // Running again would meet the same link: what stays is reported, the record goes.
    if (removal.state == RemovalState::Refused) kept_.push_back(DescribeFailure(removal, path));
}

Removal RemovalRun::RemoveProductShortcut(const std::string& path, const std::string& base) {
    return RemoveFileWhen(path, base, [this](void* file) {
        const auto link = ReadShortcutLink(file);
        return link && BelongsToProduct(*link);
    });
}

void RemovalRun::RemoveOneFolder(const std::string& path, const std::string& base) {
    NoteFolder(RemoveEmptyFolder(path, base), path);
}

void RemovalRun::NoteFolder(const Removal& removal, const std::string& path) {
    if (removal.state == RemovalState::NotEmpty) kept_.push_back(KeptFolderText(path));
    if (removal.state == RemovalState::Failed) failures_.push_back(DescribeFailure(removal, path));
    if (removal.state == RemovalState::Refused) kept_.push_back(DescribeFailure(removal, path));
}

// A current user's record has its shortcuts in the user's own folders; a machine's
// in the all-users ones, and in the user's own where older installations made them,
// unless the user's own copy of the product has its shortcuts there.
std::vector<std::string> RemovalRun::ShortcutFolders(const std::string& common, const std::string& own) const {
    if (!ForCurrentUser() && !userCopy_) return CommonAndOwn(common, own);
    const std::string& folder = ForCurrentUser() ? own : common;
    if (folder.empty()) return {};
    return {folder};
}

void RemovalRun::RemoveDesktopShortcuts() {
    if (plan_.desktopShortcuts.empty()) return;
    const std::vector<std::string> desktops =
        ShortcutFolders(settings_.folders.commonDesktopFolder, settings_.folders.desktopFolder);
    if (desktops.empty()) {
        undetermined_.push_back("The desktop folder could not be found; the desktop shortcuts were left.");
        return;
    }
    // The log names a shortcut, not what it starts: one of that name is removed
    // only when it starts the product.
    for (const auto& name : plan_.desktopShortcuts) {
        for (const auto& desktop : desktops) {
            std::string path = desktop;
            if (!install::AppendShortcutFile(path, name)) {
                kept_.push_back("The desktop shortcut \"" + name + "\" was kept: its path is too long.");
                continue;
            }
            const Removal removal = RemoveProductShortcut(path, desktop);
            if (removal.state == RemovalState::Kept) kept_.push_back(ForeignShortcutText(path));
            Note(removal, path);
        }
    }
}

// A system that stores a link's target in the ANSI code page (Wine does) puts "?"
// for every character the code page lacks: such a target starts a file whose path,
// spelled the same way, is that text.
bool IsCodePageSpellingOf(const std::string& target, const std::string& file) {
    std::string ansi;
    if (framework::AnsiFromUtf8(file, ansi)) return false;  // nothing was lost: compared in full
    return install::SamePathText(framework::Utf8FromAnsi(ansi), target);
}

bool RemovalRun::BelongsToProduct(const ShortcutLink& link) const {
    if (link.target.find('?') != std::string::npos) {
        for (const auto& file : plan_.files) {
            if (IsCodePageSpellingOf(link.target, file)) return true;
        }
        return false;
    }
    const auto target = NormalizeLocalPath(ExpandShortNames(link.target));
    if (!target) return false;
    for (const auto& file : plan_.files) {
        if (install::SamePathText(*target, file)) return true;
    }
    // The uninstaller's own shortcut: the shared uninstaller, started for this record.
    const auto uninstaller = NormalizeLocalPath(settings_.installedUninstaller);
    return uninstaller && install::SamePathText(*target, *uninstaller) &&
           RecordFromCommandLine("program " + link.arguments) == record_.name;
}

void RemovalRun::RemoveStartMenuGroup() {
    if (!plan_.startMenuGroup) return;
    const std::vector<std::string> programs =
        ShortcutFolders(settings_.folders.commonProgramsFolder, settings_.folders.programsFolder);
    if (programs.empty()) {
        undetermined_.push_back("The Start-menu Programs folder could not be found; the program group was left.");
        return;
    }
    for (const auto& folder : programs) RemoveGroupIn(folder);
}

void RemovalRun::RemoveGroupIn(const std::string& programsFolder) {
    std::string group = programsFolder;
    install::AppendSeparator(group);
    group += *plan_.startMenuGroup;

    // The log names the group but not its shortcuts: a shortcut belongs to the
    // product when it starts one of the product's files or its uninstall.
    WIN32_FIND_DATAW found;
    const std::wstring pattern = framework::WideText(group + "\\*.lnk");
    std::vector<std::string> shortcuts;
    if (HANDLE search = FindFirstFileW(pattern.c_str(), &found); search != INVALID_HANDLE_VALUE) {
        do {
            // "*.lnk" also matches longer extensions through short names; keep real ones.
            const std::string name = framework::Utf8Text(found.cFileName);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && install::HasShortcutExtension(name)) {
                shortcuts.push_back(group + '\\' + name);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // Another program's shortcut stays without a word: the group that holds it is reported.
    for (const auto& shortcut : shortcuts) Note(RemoveProductShortcut(shortcut, programsFolder), shortcut);
    if (const auto folder = NormalizeLocalPath(group); folder && !rules_.IsProtected(*folder)) {
        RemoveOneFolder(*folder, programsFolder);
    }
}

// A file in use is deleted when Windows next starts, and so is each folder that
// then holds nothing else (the folders come deepest first, after all the files).
// Not for a current user's record: only an administrator may schedule that, and
// the file stays. The running uninstaller, when the record lists it, goes last.
void RemovalRun::RemoveFiles() {
    const auto running = NormalizeLocalPath(settings_.removableUninstaller);
    for (const auto& file : plan_.files) {
        if (running && install::SamePathText(file, *running)) continue;
        const Removal removal = ForCurrentUser() ? RemoveFile(file, DriveRootOf(file))
                                                 : RemoveFileOrAtRestart(file, DriveRootOf(file));
        if (removal.state == RemovalState::AtRestart) atRestart_.push_back(file);
        Note(removal, file);
    }
}

// Renamed into the user's temporary folder, since it runs: the product's folder
// can then go. A rename that fails keeps the folder, and the record for another run.
void RemovalRun::ParkOwnUninstaller() {
    const std::string& self = settings_.removableUninstaller;
    if (!ForCurrentUser() || self.empty() || HasFailures()) return;
    if (settings_.folders.temporaryFolder.empty()) {
        failures_.push_back(UninstallerStaysText(self + " could not be moved: the temporary folder is unknown."));
        return;
    }
    const Removal removal = install::ParkAndRemove(self, DriveRootOf(self), settings_.folders.temporaryFolder);
    if (removal.state == RemovalState::Failed) failures_.push_back(UninstallerStaysText(DescribeFailure(removal, self)));
    if (removal.state == RemovalState::Refused) kept_.push_back(UninstallerStaysText(DescribeFailure(removal, self)));
}

void RemovalRun::RemoveFolders() {
    for (const auto& folder : plan_.folders) {
        const Removal removal = ForCurrentUser() ? RemoveEmptyFolder(folder, DriveRootOf(folder))
                                                 : RemoveFolderOrAtRestart(folder, DriveRootOf(folder), atRestart_);
        if (removal.state == RemovalState::AtRestart) atRestart_.push_back(folder);
        NoteFolder(removal, folder);
    }
}

std::vector<std::string> RemovalRun::NotRemoved() const {
    std::vector<std::string> lines = failures_;
    lines.insert(lines.end(), kept_.begin(), kept_.end());
    for (const auto& refused : plan_.refused) lines.push_back(DescribeRefusal(refused));
    return lines;
}

// The folder the uninstaller is installed in: the Windows folder, or for a current
// user's record the folder its entry names. Empty when unknown.
std::string UninstallerFolder(const SystemFolders& folders, InstallScope scope, std::string_view record) {
    if (scope == InstallScope::Machine) return folders.windowsFolder;
    const auto keys = layout::KeysOfRecord(record, scope);
    std::string location;
    if (!keys || !install::ReadRegistryValueText(keys->entryRoot, layout::ValuePath(keys->entryKey, layout::kInstallLocation),
                                                 location)) {
        return {};
    }
    return ExpandShortNames(location);
}

}  // namespace

UninstallSettings SettingsForThisProgram(InstallScope scope, std::string_view record) {
    UninstallSettings settings;
    settings.folders = LookUpSystemFolders();
    settings.elevated = framework::IsElevatedProcess();
    if (std::string folder = UninstallerFolder(settings.folders, scope, record); !folder.empty()) {
        settings.installedUninstaller = std::move(folder);
        install::AppendSeparator(settings.installedUninstaller);
        settings.installedUninstaller += layout::kUninstallerFileName;
    }
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const auto running = NormalizeLocalPath(ExpandShortNames(framework::Utf8Text(std::wstring_view(self, length))));
        const auto installed = NormalizeLocalPath(settings.installedUninstaller);
        // Only the installed copy removes itself; a copy started elsewhere stays.
        if (running && installed && install::SamePathText(*running, *installed)) settings.removableUninstaller = *running;
    }
    return settings;
}

namespace {

// What the user may remove by hand when nothing is removed from disk: the
// installation folder that the system's entry names, or else the folders and
// shortcuts that the unconfirmed log lists.
std::vector<std::string> LeftForTheUser(const layout::RecordKeys& record, const UninstallLog& unconfirmed,
                                        install::RegistryView entryView) {
    std::vector<std::string> lines;
    std::string location;
    if (install::ReadRegistryValueText(record.entryRoot, layout::ValuePath(record.entryKey, layout::kInstallLocation),
                                       location, entryView) &&
        !location.empty()) {
        lines.push_back("the folder " + location);
    } else {
        for (const auto& folder : unconfirmed.folders) lines.push_back("the folder " + folder.value);
    }
    for (const auto& shortcut : unconfirmed.desktopShortcuts) {
        lines.push_back("the desktop shortcut \"" + shortcut.value + "\"");
    }
    if (unconfirmed.startMenuGroup) lines.push_back("the program group \"" + *unconfirmed.startMenuGroup + "\" in the Start menu");
    return lines;
}

void RemoveSelfWhenUnused(const UninstallSettings& settings, std::vector<std::string>& failures) {
    const std::string& self = settings.removableUninstaller;
    if (self.empty() || UninstallEntriesStart(layout::kUninstallerFileName)) return;
    std::uint32_t error = 0;
    if (!RemoveRunningProgram(self, error)) failures.push_back(DescribeFailure({RemovalState::Failed, error}, self));
}

// A log without a trusted copy: made before setup kept one, or planted. Nothing
// it lists is removed from disk; the user may remove its registry information.
UninstallResult ForgetUnconfirmedRecord(const layout::RecordKeys& record, Prompt& prompt,
                                        const UninstallSettings& settings) {
    const UninstallLog unconfirmed =
        ReadUninstallLog(RegistryLogValues(record.logRoot, record.logKey, install::RegistryView::Own));
    const std::string product = unconfirmed.project.value_or(record.name);
    if (!prompt.Confirm(UnconfirmedRecordQuestion(product))) return UninstallResult::Cancelled;
    const install::RegistryView entryView =
        ViewHolding(record.entryRoot, record.entryKey).value_or(install::RegistryView::Own);
    const std::vector<std::string> byHand = LeftForTheUser(record, unconfirmed, entryView);
    std::vector<std::string> failures = RemoveUninstallRecord(record, entryView);
    RemoveSelfWhenUnused(settings, failures);
    prompt.Report(UnconfirmedRecordText(product, byHand, failures), true);
    return UninstallResult::RecordOnly;
}

}  // namespace

UninstallResult Uninstall(std::string_view record, Prompt& prompt, const UninstallSettings& settings,
                          InstallScope scope) {
    if (record.empty()) {
        prompt.Report(MissingRecordNameText(), true);
        return UninstallResult::NoRecord;
    }
    // A current user's record is vouched for by that user alone, who can write it.
    if (scope == InstallScope::User && settings.elevated) {
        prompt.Report(ElevatedUserRecordText(record), true);
        return UninstallResult::Refused;
    }
    const std::optional<layout::RecordKeys> keys = layout::KeysOfRecord(record, scope);
    // A 32-bit and a 64-bit setup keep their trusted copies in different views;
    // the record is acted on in the view that holds its copy.
    const std::optional<install::RegistryView> view =
        keys ? ViewHolding(keys->trustedRoot, keys->trustedKey) : std::nullopt;
    if (keys && !view && install::RegistryKeyExists(keys->logRoot, keys->logKey)) {
        return ForgetUnconfirmedRecord(*keys, prompt, settings);
    }
    if (!view) {
        prompt.Report(UnknownRecordText(record), true);
        return UninstallResult::NoRecord;
    }

    UninstallLog log = ReadUninstallLog(RegistryLogValues(keys->trustedRoot, keys->trustedKey, *view));
    ExpandAllShortNames(log.folders);
    ExpandAllShortNames(log.files);

    const PathRules rules(settings.folders.protectedFolders);
    const RemovalPlan plan = PlanRemoval(log, rules);
    const std::string product = log.project.value_or(std::string(record));
    if (!prompt.Confirm(ConfirmationText(product))) return UninstallResult::Cancelled;

    framework::ComScope com;  // for reading the program group's shortcuts
    RemovalRun run(*keys, plan, rules, settings);
    for (const auto& line : log.undetermined) run.AddUndetermined(line);
    run.RemoveDesktopShortcuts();
    run.RemoveStartMenuGroup();
    run.RemoveFiles();
    run.ParkOwnUninstaller();
    run.RemoveFolders();

    Outcome outcome;
    outcome.product = product;
    // While a file is still there, and not to go at the next start of Windows, the
    // records stay, so that the uninstall can be run again once the program that
    // holds the file is closed.
    outcome.recordKept = run.HasFailures();
    if (!outcome.recordKept) {
        std::vector<std::string> failures = RemoveUninstallRecord(*keys, *view);
        if (scope == InstallScope::Machine) RemoveSelfWhenUnused(settings, failures);
        for (auto& line : failures) run.AddFailure(std::move(line));
    }
    outcome.notRemoved = run.NotRemoved();
    outcome.undetermined = run.Undetermined();
    outcome.atRestart = run.AtRestart();

    const bool complete = outcome.notRemoved.empty();
    prompt.Report(OutcomeText(outcome), !complete || !outcome.undetermined.empty());
    if (!complete) return UninstallResult::RemovedExcept;
    return outcome.atRestart.empty() ? UninstallResult::Removed : UninstallResult::RemovedAtRestart;
}

}  // namespace uninstaller
