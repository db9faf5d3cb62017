#include "uninstaller/UninstallLog.h"

#include "install/PathText.h"
#include "install/UninstallLayout.h"

namespace uninstaller {

namespace layout = install::uninstall_layout;

LogValues::~LogValues() = default;

namespace {

// What one kind of indexed value is called, for the report.
struct IndexedKind {
    std::string_view prefix;
    std::string_view totalName;
    std::string_view description;  // "files", "created folders", "desktop shortcuts"
};

std::vector<LoggedValue> ReadIndexed(const LogValues& values, const IndexedKind& kind,
                                     std::vector<std::string>& undetermined) {
    std::vector<LoggedValue> found;
    const auto totalText = values.Read(kind.totalName);
    const auto total = totalText ? ParseCount(*totalText) : std::nullopt;
    if (total) {
        std::vector<std::string> missing;
        for (int index = 0; index < *total; ++index) {
            auto name = layout::IndexedName(kind.prefix, index);
            if (auto value = values.Read(name)) {
                found.push_back({std::move(name), std::move(*value)});
            } else {
                missing.push_back(std::move(name));
            }
        }
        if (!missing.empty()) {
            std::string note = "The log counts " + std::to_string(*total) + " " + std::string(kind.description) +
                               " but " + std::to_string(missing.size()) + " of them are missing (" + missing.front();
            if (missing.size() > 1) note += ", ...";
            note += ").";
            undetermined.push_back(std::move(note));
        }
        return found;
    }

    // No usable count: the installation stopped before writing it (or the value was
    // changed). Take the values from index 0 up to the first gap.
    for (int index = 0; index < kMaxLoggedValues; ++index) {
        auto name = layout::IndexedName(kind.prefix, index);
        auto value = values.Read(name);
        if (!value) break;
        found.push_back({std::move(name), std::move(*value)});
    }
    std::string note = "The number of " + std::string(kind.description) + " is ";
    note += totalText ? "not a valid number" : "not recorded";
    note += " (\"" + std::string(kind.totalName) + "\"); the " + std::to_string(found.size()) +
            " listed up to the first gap were taken.";
    undetermined.push_back(std::move(note));
    return found;
}

bool Lists(const std::vector<LoggedValue>& values, std::string_view path) {
    for (const auto& value : values) {
        if (install::SamePathText(value.value, path)) return true;
    }
    return false;
}

// Adds what the journal of an unfinished run noted and the log does not list yet.
void AddNoted(const LogValues& values, UninstallLog& log) {
    for (int index = 0; index < layout::kMaxNotedValues; ++index) {
        auto name = layout::IndexedName(layout::kNotedPrefix, index);
        auto noted = values.Read(name);
        if (!noted) break;
        if (layout::IsNotedFolder(*noted)) {
            if (!Lists(log.folders, *noted)) log.folders.push_back({std::move(name), std::move(*noted)});
            continue;
        }
        std::string newCopy = layout::NewCopyPath(*noted);
        if (!Lists(log.files, *noted)) log.files.push_back({name, std::move(*noted)});
        if (!Lists(log.files, newCopy)) log.files.push_back({std::move(name), std::move(newCopy)});
    }
}

}  // namespace

UninstallLog ReadUninstallLog(const LogValues& values) {
    UninstallLog log;
    log.project = values.Read(layout::kProject);
    if (!log.project || log.project->empty()) {
        log.project.reset();
        log.undetermined.push_back("The product's name is not recorded.");
    }
    log.folders = ReadIndexed(values, {layout::kFolderPrefix, layout::kTotalFolders, "created folders"},
                              log.undetermined);
    log.files = ReadIndexed(values, {layout::kFilePrefix, layout::kTotalFiles, "files"}, log.undetermined);
    log.desktopShortcuts = ReadIndexed(
        values, {layout::kDesktopShortcutPrefix, layout::kTotalDesktopShortcuts, "desktop shortcuts"},
        log.undetermined);
    const auto runState = values.Read(layout::kRunState);
    log.unfinishedRun = runState && *runState == layout::kRunIncomplete;
    if (log.unfinishedRun) {
        // Counts an unfinished run had not written yet are no gap in what is known:
        // its journal noted everything it made.
        log.undetermined.clear();
        log.undetermined.push_back(
            "The last installation of this product did not finish; everything it noted is removed as well.");
        AddNoted(values, log);
    }
    log.startMenuGroup = values.Read(layout::kStartMenuGroup);
    if (!log.startMenuGroup) {
        log.undetermined.push_back("The Start-menu program group is not recorded; its shortcuts were not looked for.");
    }
    return log;
}

}  // namespace uninstaller
