#include "app/InstallSteps.h"

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

std::string CompleteText(int percent) { return "Complete: " + std::to_string(percent) + "%"; }

ProgressCounter::ProgressCounter(std::size_t entries) : step_(entries ? 95.0 / static_cast<double>(entries) : 0.0) {}

int ProgressCounter::Advance() {
    progress_ += step_;
    return static_cast<int>(progress_);
}

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

bool IsLoggedKind(install::FolderKind kind) { return kind != install::FolderKind::WindowsFolder; }

}  // namespace app
