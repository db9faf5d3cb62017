#include <set>
#include <string_view>
#include <unordered_map>

#include "storage/StoragePath.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tools/tkds/Manifest.h"

namespace fuzz {

namespace {

using storage::NodeType;

// The definitions the demo build passes, and one that is empty.
const tkds::Defines kDefines = {{"DEMO", "Pellumar.exe"}, {"UNINSTALL", "TKUNTOOL.EXE"}, {"EMPTY", ""}};

std::size_t LineCount(std::string_view text) {
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';
    return lines;
}

// What any parsed entry must be, whether or not the manifest as a whole passed.
std::string BrokenEntryRule(const tkds::ManifestEntry& e, std::size_t lines) {
    if (e.line < 1 || static_cast<std::size_t>(e.line) > lines) return "an entry's line number is impossible";
    if (e.id == 0 && !e.tree) return "an entry without an id was accepted";
    if (e.segments.empty()) return "an entry without a path was accepted";
    std::string joined;
    for (const std::string& segment : e.segments) {
        if (segment.empty()) return "an empty path segment was accepted";
        if (segment.find(storage::kPathSeparator) != std::string::npos) return "a segment holds the separator";
        if (!joined.empty()) joined += storage::kPathSeparator;
        joined += segment;
    }
    if (joined != e.path) return "an entry's path is not its segments joined";
    if (e.tree) {
        if (e.path != tkds::kTreePath || !e.dir || e.dir->empty() || e.id != 0) return "a malformed Tree line";
        if (e.value || e.file || e.password || e.convert) return "a Tree with data options";
        return {};
    }
    if (e.dir) return "dir= outside a Tree line";
    if (e.type == NodeType::Folder) {
        if (e.value || e.file || e.password || e.convert || e.compress != tkds::Compression::None)
            return "a Folder with data options";
        return {};
    }
    if (e.value.has_value() == e.file.has_value()) return "a data node without exactly one of value= and file=";
    if (e.file && e.file->empty()) return "an empty file= was accepted";
    if (e.type == NodeType::Integer && !e.value) return "an Integer without value=";
    if (e.convert && (e.type != NodeType::Binary || !e.file)) return "convert= on something else than a Binary file";
    return {};
}

// What a manifest that passed must be as a whole: unique ids and paths, every
// parent a Folder entry (Tree lines have neither ids nor paths of their own).
std::string BrokenTreeRule(const std::vector<tkds::ManifestEntry>& entries) {
    std::set<std::uint32_t> ids;
    std::unordered_map<std::string, NodeType> types;
    for (const auto& e : entries) {
        if (e.tree) continue;
        if (!ids.insert(e.id).second) return "a repeated id was accepted";
        if (!types.emplace(e.path, e.type).second) return "a repeated path was accepted";
    }
    for (const auto& e : entries) {
        if (e.segments.size() < 2) continue;
        const auto parent = types.find(e.path.substr(0, e.path.size() - e.segments.back().size() - 1));
        if (parent == types.end() || parent->second != NodeType::Folder) return "a node without a Folder parent";
    }
    return {};
}

bool SameEntries(const std::vector<tkds::ManifestEntry>& a, const std::vector<tkds::ManifestEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].line != b[i].line || a[i].path != b[i].path || a[i].type != b[i].type || a[i].id != b[i].id ||
            a[i].compress != b[i].compress || a[i].password != b[i].password || a[i].value != b[i].value ||
            a[i].file != b[i].file || a[i].convert != b[i].convert || a[i].tree != b[i].tree || a[i].dir != b[i].dir)
            return false;
    }
    return true;
}

}  // namespace

ManifestOutcome CheckManifest(const std::uint8_t* bytes, std::size_t length) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), length);
    const std::size_t lines = LineCount(text);
    ManifestOutcome outcome;

    std::vector<tkds::ManifestEntry> entries;
    std::vector<tkds::ManifestError> errors;
    outcome.passed = tkds::ParseManifest(text, kDefines, entries, errors);
    outcome.entries = entries.size();
    outcome.errors = errors.size();
    if (!errors.empty()) outcome.firstError = std::to_string(errors[0].line) + ": " + errors[0].reason;

    if (outcome.passed != errors.empty()) {
        outcome.broken = "the result does not match the errors reported";
        return outcome;
    }
    int previousLine = 0;
    for (const auto& e : entries) {
        outcome.broken = BrokenEntryRule(e, lines);
        if (!outcome.broken.empty()) return outcome;
        if (e.line <= previousLine) {
            outcome.broken = "entries are not in line order, one a line";
            return outcome;
        }
        previousLine = e.line;
    }
    for (const auto& error : errors) {
        if (error.line < 1 || static_cast<std::size_t>(error.line) > lines || error.reason.empty()) {
            outcome.broken = "an error without a possible line or a reason";
            return outcome;
        }
    }
    if (outcome.passed) {
        outcome.broken = BrokenTreeRule(entries);
        if (!outcome.broken.empty()) return outcome;
    }

    // Errors already in the list are kept and do not count against this text;
    // parsing again gives the same entries.
    std::vector<tkds::ManifestEntry> again;
    std::vector<tkds::ManifestError> earlier = {{1, "earlier"}};
    const bool passedAgain = tkds::ParseManifest(text, kDefines, again, earlier);
    if (passedAgain != outcome.passed || earlier.size() != errors.size() + 1 || earlier[0].reason != "earlier" ||
        !SameEntries(entries, again))
        outcome.broken = "parsing the same text again gave another result";
    return outcome;
}

}  // namespace fuzz
