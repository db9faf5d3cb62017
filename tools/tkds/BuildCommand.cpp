// tkds build MANIFEST -o FILE [-D NAME=VALUE]...
#include <cstdio>
#include <filesystem>

#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/Manifest.h"
#include "tools/tkds/ManifestBuilder.h"

namespace tkds {

namespace {

void PrintManifestErrors(const std::string& manifest, const std::vector<ManifestError>& errors) {
    for (const auto& e : errors) std::fprintf(stderr, "%s:%d: %s\n", manifest.c_str(), e.line, e.reason.c_str());
}

int RunBuild(const Args& args) {
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, {{"-o", true}, {"--output", true}, {"-D", true}}, parsed, error)) {
        return UsageError(kBuildCommand, error);
    }
    if (parsed.positional.size() != 1) return UsageError(kBuildCommand, "expected one manifest file");
    const std::string output = parsed.Has("--output") ? parsed.Value("--output") : parsed.Value("-o");
    if (output.empty()) return UsageError(kBuildCommand, "missing -o FILE");

    Defines defines;
    for (const std::string& definition : parsed.options["-D"]) {
        const std::size_t equals = definition.find('=');
        const std::string name = definition.substr(0, equals);
        if (equals == std::string::npos || !IsDefineName(name)) {
            return UsageError(kBuildCommand, "-D needs NAME=VALUE with a name of letters, digits and _, found '" +
                                                 definition + "'");
        }
        defines[name] = definition.substr(equals + 1);
    }

    const std::string& manifest = parsed.positional[0];
    std::vector<std::uint8_t> text;
    if (!ReadFileBytes(manifest, text, error)) {
        PrintError("cannot read " + manifest + ": " + error);
        return kExitFailure;
    }
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    if (!ParseManifest(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), defines, entries,
                       errors)) {
        PrintManifestErrors(manifest, errors);
        return kExitFailure;
    }
#ifndef TKDS_HAVE_PNG
    for (const auto& entry : entries) {
        if (entry.convert) {
            PrintError(kNoPngMessage);
            return kExitFailure;
        }
    }
#endif
    const std::string baseDir = std::filesystem::path(manifest).parent_path().string();
    std::vector<std::uint8_t> container;
    if (!BuildContainer(entries, baseDir, container, errors)) {
        PrintManifestErrors(manifest, errors);
        return kExitFailure;
    }
    if (!WriteFileBytes(output, container, error)) {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

const Command kBuildCommand = {
    "build",
    "MANIFEST -o FILE [-D NAME=VALUE]...",
    "write the container that MANIFEST describes",
    RunBuild,
};

}  // namespace tkds
