#include "uninstaller/RemovalPlan.h"

#include <algorithm>

#include "install/UninstallLayout.h"

namespace uninstaller {

namespace {

std::size_t Depth(const std::string& path) { return static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')); }

}  // namespace

RemovalPlan PlanRemoval(const UninstallLog& log, const PathRules& rules) {
    RemovalPlan plan;
    for (const auto& folder : log.folders) {
        Verdict verdict = rules.CheckFolder(folder.value);
        if (verdict.Accepted()) {
            plan.folders.push_back(std::move(verdict.path));
        } else {
            plan.refused.push_back({folder.name, folder.value, verdict.refusal});
        }
    }
    // The log lists the deepest folder first; sorting keeps that promise even for a
    // log written in another order, so a folder is only tried after those inside it.
    std::stable_sort(plan.folders.begin(), plan.folders.end(),
                     [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });

    for (const auto& file : log.files) {
        Verdict verdict = rules.CheckFile(file.value);
        if (verdict.Accepted()) {
            plan.files.push_back(std::move(verdict.path));
        } else {
            plan.refused.push_back({file.name, file.value, verdict.refusal});
        }
    }

    for (const auto& shortcut : log.desktopShortcuts) {
        if (IsPlainName(shortcut.value)) {
            plan.desktopShortcuts.push_back(shortcut.value);
        } else {
            plan.refused.push_back({shortcut.name, shortcut.value, Refusal::BadName});
        }
    }

    if (log.startMenuGroup) {
        if (IsPlainName(*log.startMenuGroup)) {
            plan.startMenuGroup = log.startMenuGroup;
        } else {
            plan.refused.push_back({std::string(install::uninstall_layout::kStartMenuGroup), *log.startMenuGroup,
                                    Refusal::BadName});
        }
    }
    return plan;
}

}  // namespace uninstaller
