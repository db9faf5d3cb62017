#include "tools/tkds/ManifestContainer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestBuilder.h"
#include "tools/tkds/ScaledArtCheck.h"
#include "tools/tkds/TreeExpansion.h"

namespace tkds {

namespace {
void PrintManifestErrors(const std::string& manifest, const std::vector<ManifestError>& errors) {
    for (const auto& e : errors) std::fprintf(stderr, "%s:%d: %s\n", manifest.c_str(), e.line, e.reason.c_str());
}

// The product scope's String node at the root, with the id after every other.
bool AddScopeEntry(install::ProductScope scope, std::vector<ManifestEntry>& entries,
                   std::vector<ManifestError>& errors) {
    const std::string path(install::kScopeNode);
    std::uint32_t highestId = 0;
    for (const ManifestEntry& entry : entries) {
        if (entry.path == path) {
            errors.push_back({entry.line, "'" + path + "' is the node tkds make writes for --scope; leave it out"});
            return false;
        }
        highestId = std::max(highestId, entry.id);
    }
    if (scope == install::ProductScope::Machine) return true;
    if (highestId == std::numeric_limits<std::uint32_t>::max()) {
        errors.push_back({0, "no id is left for the '" + path + "' node (ids reach 4294967295)"});
        return false;
    }
    ManifestEntry entry;
    entry.path = path;
    entry.segments = {path};
    entry.type = storage::NodeType::String;
    entry.id = highestId + 1;
    entry.value = std::string(install::ProductScopeName(scope));
    entries.push_back(std::move(entry));
    return true;
}
}  // namespace

bool AddDefines(const std::vector<std::string>& definitions, Defines& defines, std::string& error) {
    for (const std::string& definition : definitions) {
        const std::size_t equals = definition.find('=');
        const std::string name = definition.substr(0, equals);
        if (equals == std::string::npos || !IsDefineName(name)) {
            error = "-D needs NAME=VALUE with a name of letters, digits and _, found '" + definition + "'";
            return false;
        }
        defines[name] = definition.substr(equals + 1);
    }
    return true;
}

bool BuildManifestContainer(const std::string& manifest, const Defines& defines, storage::PatchableSink& sink,
                            std::optional<std::string>& document, StreamPlan& stream,
                            std::optional<install::ProductScope> scope) {
    std::vector<std::uint8_t> text;
    std::string error;
    if (!ReadFileBytes(manifest, text, error)) {
        PrintError("cannot read " + manifest + ": " + error);
        return false;
    }
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    if (!ParseManifest(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), defines, entries,
                       errors)) {
        PrintManifestErrors(manifest, errors);
        return false;
    }
#ifndef TKDS_HAVE_PNG
    for (const auto& entry : entries) {
        if (entry.convert) {
            PrintError(kNoPngMessage);
            return false;
        }
    }
#endif
    const std::string baseDir = std::filesystem::path(manifest).parent_path().string();
    if (!CheckScaledArt(entries, baseDir, errors) || !ExpandTrees(entries, baseDir, errors) || (scope && !AddScopeEntry(*scope, entries, errors)) ||
        !BuildContainer(entries, baseDir, sink, document, stream, errors)) {
        PrintManifestErrors(manifest, errors);
        return false;
    }
    return true;
}

}  // namespace tkds
