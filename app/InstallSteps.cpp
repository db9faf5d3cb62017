#include "app/InstallSteps.h"

#include <algorithm>
#include <utility>

#include "install/PathText.h"

namespace app {

std::string PathRejectedMessage() {
    return "Path invalid.\nYou must enter the full path, e.g.\n \"c:\\Program Files\\Tolvik\\FolderName\"";
}

std::string FileErrorMessage(std::string_view description) {
    return "File could not be opened...\n" + std::string(description);
}

std::string DamagedSetupMessage(std::string_view reason) {
    return "This setup is damaged and cannot install.\n" + std::string(reason);
}

std::string LinkRefusedDescription(std::string_view path) {
    return std::string(path) + " is a link to another place (a reparse point); setup does not write through it.";
}

std::string ForeignFileDescription(std::string_view path) {
    return std::string(path) +
           " belongs to another program (this product did not install it); setup does not replace it. "
           "Choose another folder.";
}

std::string OpenFolderDescription(std::string_view path) {
    return std::string(path) +
           " can be changed by users who are not administrators; setup does not install into it. "
           "Choose another folder, or let only administrators change this one.";
}

std::string LostShortcutsMessage(std::string_view lines) {
    return "The product was installed, but these shortcuts could not be created:\n\n" + std::string(lines);
}

std::string FilesInUseQuestion(const std::vector<std::string>& programs) {
    std::string text = "These programs are using files that setup must replace:\n";
    const std::size_t listed = programs.size() > kListedPrograms ? kListedPrograms - 1 : programs.size();
    for (std::size_t i = 0; i < listed; ++i) text += "\n- " + programs[i];
    if (listed < programs.size()) text += "\n- ... and " + std::to_string(programs.size() - listed) + " more.";
    return text +
           "\n\nTry Again: close them yourself (save your work first), then setup tries again."
           "\nContinue: setup closes them, and starts them again once it has finished."
           "\nCancel: stop the installation.";
}

std::string InstallLocationFor(std::string_view destination) {
    std::string_view rest = destination.size() >= 2 && destination[1] == ':' ? destination.substr(2) : "x";
    while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
    return rest.empty() ? std::string() : std::string(destination);
}

std::string CompleteText(int percent) { return "Complete: " + std::to_string(percent) + "%"; }

namespace {
std::vector<std::uint64_t> SizesOf(const std::vector<install::PayloadEntry>& entries) {
    std::vector<std::uint64_t> sizes;
    sizes.reserve(entries.size());
    for (const install::PayloadEntry& entry : entries) sizes.push_back(entry.size);
    return sizes;
}
}  // namespace

ProgressCounter::ProgressCounter(std::vector<std::uint64_t> sizes)
    : sizes_(std::move(sizes)), step_(sizes_.empty() ? 0.0 : 95.0 / static_cast<double>(sizes_.size())) {
    for (std::uint64_t size : sizes_) totalBytes_ += size;
}

ProgressCounter::ProgressCounter(const std::vector<install::PayloadEntry>& entries) : ProgressCounter(SizesOf(entries)) {}

int ProgressCounter::Advance() {
    progress_ += step_;
    if (next_ < sizes_.size()) bytesWritten_ += sizes_[next_++];
    if (sizes_.size() <= kPacedEntries || totalBytes_ == 0) return static_cast<int>(progress_);
    // Sizes are 32-bit, so 95 times their sum stays far inside 64 bits.
    return 5 + static_cast<int>(95 * bytesWritten_ / totalBytes_);
}

unsigned ProgressCounter::FileWait() const noexcept { return sizes_.size() <= kPacedEntries ? kStepWait : 0; }

std::string WithTrailingBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string BaseFolderFor(install::FolderKind kind, const BaseFolders& folders) {
    switch (kind) {
        case install::FolderKind::InstallFolder:
        case install::FolderKind::PluginFolder:
            return WithTrailingBackslash(folders.destination);
        case install::FolderKind::WindowsFolder:
            return WithTrailingBackslash(folders.windowsFolder);
        case install::FolderKind::ProgramFiles:
            return WithTrailingBackslash(folders.programFiles);
    }
    return WithTrailingBackslash(folders.destination);
}

PayloadPlace PayloadPlaceFor(const std::string& base, std::string_view fileName) {
    PayloadPlace place;
    place.folder = base;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = fileName.find_first_of("\\/", start);
        const std::string_view part = fileName.substr(start, end == std::string_view::npos ? end : end - start);
        if (end == std::string_view::npos) {
            place.name = std::string(part);
            break;
        }
        // A doubled separator names no folder of its own.
        if (!part.empty()) {
            place.folder.append(part);
            place.folder += '\\';
            place.subfolders.push_back(place.folder);
        }
        start = end + 1;
    }
    place.path = place.folder + place.name;
    return place;
}

std::vector<std::string> StaleFiles(const std::vector<std::string>& earlierFiles,
                                    const std::vector<std::string>& installed) {
    install::PathSet kept;
    for (const std::string& file : installed) kept.Add(file);
    std::vector<std::string> stale;
    for (const std::string& file : earlierFiles) {
        if (kept.Add(file)) stale.push_back(file);  // neither installed nor listed already
    }
    return stale;
}

bool IsLoggedKind(install::FolderKind kind) { return kind != install::FolderKind::WindowsFolder; }

namespace {

// The dot-separated parts of a version, each a number where it is one.
std::vector<std::string_view> VersionParts(std::string_view version) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = version.find('.', start);
        parts.push_back(version.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) return parts;
        start = dot + 1;
    }
}

int ComparePart(std::string_view a, std::string_view b) {
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (digits(a) && digits(b)) {
        a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
        b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
        if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

std::string VersionChangeText(std::string_view installed, std::string_view version) {
    if (installed.empty() || version.empty()) return {};
    const std::vector<std::string_view> from = VersionParts(installed), to = VersionParts(version);
    int order = 0;
    for (std::size_t index = 0; order == 0 && index < std::max(from.size(), to.size()); ++index) {
        order = ComparePart(index < from.size() ? from[index] : "0", index < to.size() ? to[index] : "0");
    }
    if (order == 0) return "repair: " + std::string(version);
    return std::string(order < 0 ? "upgrade: " : "downgrade: ") + std::string(installed) + " to " + std::string(version);
}

}  // namespace app
