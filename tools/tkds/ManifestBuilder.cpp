#include "tools/tkds/ManifestBuilder.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <unordered_map>

#include "install/InstallDocument.h"
#include "storage/ContainerWriter.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/PixelConversions.h"
#ifdef TKDS_HAVE_PNG
#include "tools/tkds/PngFile.h"
#endif

namespace tkds {

std::string ResolveFile(const std::string& baseDir, const std::string& file) {
    const std::filesystem::path path(file);
    if (path.is_absolute() || baseDir.empty()) return path.string();
    return (std::filesystem::path(baseDir) / path).string();
}

namespace {

// The decoded bytes of an entry; false with a reason.
bool EntryData(const ManifestEntry& entry, const std::string& baseDir, std::vector<std::uint8_t>& data,
               std::string& error) {
    using storage::NodeType;
    data.clear();
    if (entry.type == NodeType::Folder) return true;
    if (entry.type == NodeType::Integer) {
        std::int32_t number = 0;
        std::from_chars(entry.value->data(), entry.value->data() + entry.value->size(), number);
        storage::AppendLE32(data, static_cast<std::uint32_t>(number));
        return true;
    }
    if (entry.value) {
        data.assign(entry.value->begin(), entry.value->end());
        return true;
    }
    const std::string path = ResolveFile(baseDir, *entry.file);
    if (!entry.convert) {
        if (!ReadFileBytes(path, data, error)) {
            error = "cannot read " + path + ": " + error;
            return false;
        }
        return true;
    }
#ifdef TKDS_HAVE_PNG
    RgbaImage image;
    if (!ReadPng(path, image, error)) {
        error = path + ": " + error;
        return false;
    }
    data = ConvertPixels(image, *entry.convert);
    return true;
#else
    error = kNoPngMessage;
    return false;
#endif
}

// A product file, read as it is written: a Binary node read from a file without conversion.
bool IsStreamed(const ManifestEntry& entry) {
    return entry.type == storage::NodeType::Binary && entry.file && !entry.convert;
}

}  // namespace

bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir, storage::ByteSink& sink,
                    std::optional<std::string>& document, std::vector<ManifestError>& errors) {
    const std::size_t errorsBefore = errors.size();
    std::unordered_map<std::string, std::uint32_t> idOfPath;
    for (const auto& entry : entries) idOfPath.emplace(entry.path, entry.id);

    document.reset();
    storage::ContainerWriter writer(sink);
    // After the first problem the container is not finished: the remaining
    // entries are only checked, so that every problem is reported at once.
    for (const auto& entry : entries) {
        std::string error;
        storage::RecordFields fields;
        fields.id = entry.id;
        if (entry.segments.size() > 1) {
            const std::string parent = entry.path.substr(0, entry.path.size() - entry.segments.back().size() - 1);
            const auto found = idOfPath.find(parent);
            if (found == idOfPath.end()) {
                errors.push_back({entry.line, "parent '" + parent + "' is not in the manifest"});
                continue;
            }
            fields.parentId = found->second;
        }
        fields.type = static_cast<std::uint8_t>(entry.type);
        fields.compressed = entry.compress == Compression::Zlib ? 1 : 0;
        fields.enciphered = entry.password ? 1 : 0;
        const std::string* password = entry.password ? &*entry.password : nullptr;
        const bool writing = errors.size() == errorsBefore;

        if (IsStreamed(entry)) {
            const std::string path = ResolveFile(baseDir, *entry.file);
            FileSource source;
            if (!source.Open(path, error)) {
                errors.push_back({entry.line, "cannot read " + path + ": " + error});
            } else if (writing && !writer.AppendEncodedRecord(fields, entry.segments.back(), source, password, error)) {
                errors.push_back({entry.line, path + ": " + error});
            }
            continue;
        }
        std::vector<std::uint8_t> data;
        if (!EntryData(entry, baseDir, data, error)) {
            errors.push_back({entry.line, error});
            continue;
        }
        if (entry.path == install::InstallDocument::kDocumentNode && entry.type == storage::NodeType::String &&
            (!entry.password || entry.password->empty())) {
            const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
            document.emplace(data.begin(), end);
        }
        storage::SpanSource source(data);
        if (writing && !writer.AppendEncodedRecord(fields, entry.segments.back(), source, password, error)) {
            errors.push_back({entry.line, error});
        }
    }
    std::string error;
    if (errors.size() == errorsBefore && !writer.End(error)) errors.push_back({0, error});
    return errors.size() == errorsBefore;
}

bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir,
                    std::vector<std::uint8_t>& container, std::vector<ManifestError>& errors) {
    storage::VectorSink sink;
    std::optional<std::string> document;
    if (!BuildContainer(entries, baseDir, sink, document, errors)) return false;
    container = std::move(sink.Bytes());
    return true;
}

}  // namespace tkds
