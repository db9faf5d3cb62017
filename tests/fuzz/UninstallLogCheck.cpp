#include <algorithm>
#include <map>
#include <set>

#include "install/LinkFreePath.h"
#include "install/PathText.h"
#include "install/UninstallLayout.h"
#include "tests/fuzz/FuzzChecks.h"
#include "uninstaller/RemovalPlan.h"

namespace fuzz {

namespace {

namespace layout = install::uninstall_layout;
using install::PathRules;

// The log's values from the input's lines: "name=value", cut at the first "=".
class TableValues : public uninstaller::LogValues {
public:
    TableValues(const std::uint8_t* bytes, std::size_t length) {
        const std::string_view text(reinterpret_cast<const char*>(bytes), length);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view line = text.substr(start, end - start);
            if (const auto equals = line.find('='); equals != std::string_view::npos) {
                values_[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
            }
            start = end + 1;
        }
    }
    std::optional<std::string> Read(std::string_view valueName) const override {
        ++reads;
        const auto found = values_.find(std::string(valueName));
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    bool Holds(const uninstaller::LoggedValue& value) const {
        const auto found = values_.find(value.name);
        return found != values_.end() && found->second == value.value;
    }
    mutable std::size_t reads = 0;

private:
    std::map<std::string, std::string> values_;
};

const PathRules& Rules() {
    static const PathRules rules(install::ProtectedFolders{
        "C:\\windows",
        {"C:\\Program Files", "C:\\ProgramData", "C:\\users\\me\\Desktop", "C:\\users\\me\\Start Menu\\Programs"}});
    return rules;
}

std::size_t Depth(const std::string& path) { return static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')); }

// A planned path: in its one spelling, no drive root, not the Windows folder's.
std::string CheckPlannedPath(const std::string& path, bool folder) {
    const auto again = install::NormalizeLocalPath(path);
    if (!again || *again != path) return "a planned path is not in its normalized spelling: " + path;
    if (path.size() <= 3) return "a drive root is planned: " + path;
    if (install::IsSameOrInside(path, "C:\\windows")) return "the Windows folder is planned: " + path;
    if (folder && (Rules().IsProtected(path) || install::IsSameOrInside("C:\\windows", path))) {
        return "a protected folder or one above it is planned: " + path;
    }
    // Removal walks the path from its drive root down to itself.
    const auto steps = install::PathSteps(path, path.substr(0, 3));
    if (steps.empty() || steps.back() != path) return "the path's steps do not end at it: " + path;
    for (const auto& step : steps) {
        if (!install::IsInside(path, step) && step != path) return "a step lies off the path: " + step;
    }
    return {};
}

}  // namespace

UninstallLogOutcome CheckUninstallLog(const std::uint8_t* bytes, std::size_t length) {
    UninstallLogOutcome outcome;
    const TableValues values(bytes, length);
    const uninstaller::UninstallLog log = uninstaller::ReadUninstallLog(values);
    // Reading stops at the count or the first gap, and believes no count above the limit.
    if (values.reads > 3 * static_cast<std::size_t>(layout::kMaxLoggedValues) + 10) {
        outcome.broken = "the log was read " + std::to_string(values.reads) + " times";
        return outcome;
    }
    for (const auto* list : {&log.folders, &log.files, &log.desktopShortcuts}) {
        if (list->size() > static_cast<std::size_t>(layout::kMaxLoggedValues)) outcome.broken = "too many values taken";
        for (const auto& value : *list) {
            if (!values.Holds(value)) outcome.broken = "a value that the log does not hold: " + value.name;
        }
    }
    if (!outcome.broken.empty()) return outcome;

    const uninstaller::RemovalPlan plan = uninstaller::PlanRemoval(log, Rules());
    const std::size_t considered =
        log.folders.size() + log.files.size() + log.desktopShortcuts.size() + (log.startMenuGroup ? 1 : 0);
    const std::size_t decided = plan.folders.size() + plan.files.size() + plan.desktopShortcuts.size() +
                                (plan.startMenuGroup ? 1 : 0) + plan.refused.size();
    if (considered != decided) {
        outcome.broken = "values planned or refused: " + std::to_string(decided) + " of " + std::to_string(considered);
        return outcome;
    }
    for (const auto& folder : plan.folders) {
        if (outcome.broken.empty()) outcome.broken = CheckPlannedPath(folder, true);
    }
    for (const auto& file : plan.files) {
        if (outcome.broken.empty()) outcome.broken = CheckPlannedPath(file, false);
    }
    if (!std::is_sorted(plan.folders.begin(), plan.folders.end(),
                        [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); })) {
        outcome.broken = "folders are not deepest first";
    }
    for (const auto& name : plan.desktopShortcuts) {
        if (!install::IsPlainName(name)) outcome.broken = "a shortcut name that is not plain: " + name;
    }
    if (plan.startMenuGroup && !install::IsPlainName(*plan.startMenuGroup)) outcome.broken = "a bad group name";

    // The next run's folders: the planned ones carried forward, each once, deepest first.
    std::vector<std::string> earlier;
    for (const auto& folder : plan.folders) earlier.push_back(folder + "\\");
    const auto carried = layout::FoldersToLog({}, earlier);
    const auto folded = [](const std::string& folder) { return install::FoldedPath(folder); };
    std::set<std::string> carriedFolded;
    for (const auto& folder : carried) {
        if (!carriedFolded.insert(folded(folder)).second) outcome.broken = "a folder is carried twice";
    }
    for (const auto& folder : earlier) {
        if (carriedFolded.count(folded(folder)) == 0) outcome.broken = "a carried folder was lost";
    }
    if (!std::is_sorted(carried.begin(), carried.end(),
                        [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); })) {
        outcome.broken = "carried folders are not deepest first";
    }

    outcome.folders = plan.folders.size();
    outcome.files = plan.files.size();
    outcome.shortcuts = plan.desktopShortcuts.size();
    outcome.refused = plan.refused.size();
    outcome.undetermined = log.undetermined.size();
    return outcome;
}

}  // namespace fuzz
