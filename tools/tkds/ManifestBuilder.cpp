#include "tools/tkds/ManifestBuilder.h"

#ifdef TKDS_HAVE_LZMA_ENCODER
#include <sys/stat.h>
#endif

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstring>
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

#ifdef TKDS_HAVE_LZMA_ENCODER
// Where a streamed entry's bytes come from and how many there are, without reading them.
bool PlanStreamItem(const ManifestEntry& entry, const std::string& baseDir, StreamItem& item, std::string& error) {
    item.line = entry.line;
    if (entry.value) {
        item.value = entry.value;
        item.size = entry.value->size();
        return true;
    }
    item.file = ResolveFile(baseDir, *entry.file);
    const FilePtr file = OpenInputFile(item.file, error);
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0) {
        error = "cannot read " + item.file + ": " + (file ? std::strerror(errno) : error);
        return false;
    }
    item.size = static_cast<std::uint64_t>(info.st_size);
    return true;
}
#endif

// The streamed node record of an entry: its place in the stream.
bool AddStreamedEntry(const ManifestEntry& entry, const std::string& baseDir, StreamPlan& stream,
                      std::vector<std::uint8_t>& data, std::string& error) {
#ifdef TKDS_HAVE_LZMA_ENCODER
    StreamItem item;
    if (!PlanStreamItem(entry, baseDir, item, error)) return false;
    data.clear();
    storage::AppendLE64(data, stream.decodedSize);
    storage::AppendLE64(data, item.size);
    stream.decodedSize += item.size;
    stream.items.push_back(std::move(item));
    return true;
#else
    (void)entry, (void)baseDir, (void)stream, (void)data;
    error = "compress=lzma is not available in this build";
    return false;
#endif
}

// A product file, read as it is written: a Binary node read from a file without conversion.
bool IsStreamed(const ManifestEntry& entry) {
    return entry.type == storage::NodeType::Binary && entry.file && !entry.convert;
}

// A record for the payload stream after every node's, with the next id and
// zero data for the caller to fill; where its data lies, or 0 on a problem.
std::size_t AppendPlaceholder(storage::ContainerWriter& writer, std::uint8_t kind, std::string_view name,
                              std::size_t size, std::vector<ManifestError>& errors) {
    std::string error;
    storage::RecordFields fields;
    fields.kind = kind;
    fields.id = writer.HighestId() + 1;
    const std::vector<std::uint8_t> placeholder(size, 0);
    if (fields.id == 0) {
        errors.push_back({0, "no id is left for the payload stream's records (ids reach 4294967295)"});
    } else if (!writer.AppendRecord(fields, name, placeholder, error)) {
        errors.push_back({0, error});
    } else {
        return static_cast<std::size_t>(writer.Size() - size);
    }
    return 0;
}

// The stream record, and the chunks record when the stream has more than one.
void AppendStreamRecords(storage::ContainerWriter& writer, StreamPlan& stream, std::vector<ManifestError>& errors) {
    stream.recordDataAt =
        AppendPlaceholder(writer, storage::kStreamRecordKind, storage::kStreamRecordName, storage::kStreamRecordDataSize, errors);
    const std::uint64_t chunks = StreamChunkCount(stream.decodedSize, stream.chunkSize);
    if (stream.recordDataAt == 0 || chunks == 1) return;
    if (chunks > (0xFFFFFFFFu - storage::kChunksCountSize) / storage::kChunkEntrySize) {
        errors.push_back({0, "the payload stream has too many chunks for its record"});
        return;
    }
    stream.chunksDataAt = AppendPlaceholder(writer, storage::kChunksRecordKind, storage::kChunksRecordName,
                                            storage::kChunksCountSize + storage::kChunkEntrySize * chunks, errors);
}

}  // namespace

bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir, storage::PatchableSink& sink,
                    std::optional<std::string>& document, StreamPlan& stream, std::vector<ManifestError>& errors,
                    std::uint64_t chunkSize) {
    const std::size_t errorsBefore = errors.size();
    std::unordered_map<std::string, std::uint32_t> idOfPath;
    for (const auto& entry : entries) idOfPath.emplace(entry.path, entry.id);

    document.reset();
    storage::ContainerWriter writer(sink);
    stream = {};
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

        if (entry.compress == Compression::Lzma) {
            // The record holds only the node's place in the payload stream.
            fields.kind = storage::kStreamedNodeRecordKind;
            std::vector<std::uint8_t> place;
            if (!AddStreamedEntry(entry, baseDir, stream, place, error)) {
                errors.push_back({entry.line, error});
            } else if (writing && !writer.AppendRecord(fields, entry.segments.back(), place, error)) {
                errors.push_back({entry.line, error});
            }
            continue;
        }

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
    if (!stream.Empty() && errors.size() == errorsBefore) {
        stream.chunkSize = chunkSize ? chunkSize : StreamChunkSize(stream.decodedSize);
        AppendStreamRecords(writer, stream, errors);
    }
    std::string error;
    if (errors.size() == errorsBefore && !writer.End(error)) errors.push_back({0, error});
    return errors.size() == errorsBefore;
}

bool BuildContainer(const std::vector<ManifestEntry>& entries, const std::string& baseDir,
                    std::vector<std::uint8_t>& container, StreamPlan& stream, std::vector<ManifestError>& errors,
                    std::uint64_t chunkSize) {
    storage::VectorSink sink;
    std::optional<std::string> document;
    if (!BuildContainer(entries, baseDir, sink, document, stream, errors, chunkSize)) return false;
    container = std::move(sink.Bytes());
    return true;
}

}  // namespace tkds
