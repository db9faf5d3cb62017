#include "tools/tkds/CommandSupport.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "storage/StorageErrors.h"
#include "tools/tkds/FileIo.h"
#ifdef TKDS_HAVE_MAKE
#include "tools/resedit/PeHeaders.h"
#include "tools/resedit/PeResources.h"
#endif

namespace tkds {

void PrintError(std::string_view message) {
    std::fprintf(stderr, "tkds: %.*s\n", static_cast<int>(message.size()), message.data());
}

std::string ParsedArgs::Value(std::string_view name, std::string fallback) const {
    const auto found = options.find(name);
    return found == options.end() || found->second.empty() ? fallback : found->second.back();
}

bool ParseArgs(const Args& args, std::initializer_list<OptionRule> rules, ParsedArgs& parsed, std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionRule* match = nullptr;
        std::string inlineValue;
        bool hasInline = false;
        for (const OptionRule& rule : rules) {
            if (arg == rule.name) {
                match = &rule;
            } else if (rule.takesValue && rule.name.size() == 2 && arg.starts_with(rule.name)) {
                match = &rule;  // -DNAME=VALUE
                inlineValue = arg.substr(2);
                hasInline = true;
            } else if (rule.takesValue && arg.starts_with(std::string(rule.name) + "=")) {
                match = &rule;  // --password=P
                inlineValue = arg.substr(rule.name.size() + 1);
                hasInline = true;
            }
            if (match) break;
        }
        if (!match) {
            error = "unknown option '" + arg + "'";
            return false;
        }
        auto& values = parsed.options[std::string(match->name)];
        if (!match->takesValue) {
            values.emplace_back();
        } else if (hasInline) {
            values.push_back(inlineValue);
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        } else {
            error = "option '" + arg + "' needs a value";
            return false;
        }
    }
    return true;
}

bool ReadStreamSettings(const ParsedArgs& parsed, StreamSettings& settings, std::string& error) {
    settings.progress = ProgressStyleFor(parsed.Has("--quiet"));
    settings.threads = 0;
    if (!parsed.Has("--threads")) return true;
    const std::string text = parsed.Value("--threads");
    unsigned threads = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), threads);
    if (failure != std::errc() || end != text.data() + text.size() || threads == 0 || threads > kMaxThreads) {
        error = "--threads is a number from 1 to " + std::to_string(kMaxThreads) + ", not '" + text + "'";
        return false;
    }
    settings.threads = threads;
    return true;
}

int UsageError(const Command& command, std::string_view reason) {
    PrintError(reason);
    std::fprintf(stderr, "usage: tkds %.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                 static_cast<int>(command.usage.size()), command.usage.data());
    return kExitUsage;
}

namespace {

// Reads the stream from the open file.
class FileStreamSource : public storage::StreamSource {
public:
    explicit FileStreamSource(FileSource& file) : file_(file) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        return file_.ReadAt(offset, {buffer, length});
    }

private:
    FileSource& file_;
};

// The bytes [0, length) of the file, read whole.
bool ReadFront(FileSource& file, std::uint64_t length, std::vector<std::uint8_t>& bytes) {
    if (length > file.Size()) return false;
    bytes.resize(static_cast<std::size_t>(length));
    return file.ReadAt(0, bytes);
}

// How much of a file the headers of a program lie in, at most.
constexpr std::uint64_t kHeadersRead = 64 * 1024;

}  // namespace

// Reads where the container lies in the file: a setup program's resource (from
// its image, not its overlay), the part of a container file before its stream,
// or the whole file.
bool LoadedContainer::ReadContainer(const std::string& path) {
    const std::uint64_t size = file_.Size();
    std::uint8_t start[2] = {};
    const bool program = size >= sizeof start && file_.ReadAt(0, start) && start[0] == 'M' && start[1] == 'Z';
#ifdef TKDS_HAVE_MAKE
    if (program) {
        std::string error;
        std::uint64_t imageEnd = 0;
        if (!ReadFront(file_, std::min(size, kHeadersRead), read_) ||
            !resedit::ReadPeImageEnd(read_, size, imageEnd, error) || !ReadFront(file_, imageEnd, read_)) {
            PrintError(path + ": " + (error.empty() ? "cannot read the file" : error));
            return false;
        }
        std::vector<resedit::Resource> resources;
        if (!resedit::ReadPeResources(read_, resources, error)) {
            PrintError(path + ": " + error);
            return false;
        }
        read_ = {};
        const resedit::ResourceKey type = resedit::ResourceKey::Named(kStorageResourceType);
        const resedit::ResourceKey name = resedit::ResourceKey::Number(kStorageResourceId);
        for (resedit::Resource& resource : resources) {
            if (resource.type == type && resource.name == name) {
                resource_ = std::move(resource.data);
                container_ = resource_;
                return true;
            }
        }
        PrintError(path + ": a program without a container (resource \"STORAGE\" 129)");
        return false;
    }
#else
    (void)program;
#endif
    std::uint64_t length = size;
    std::uint8_t tail[storage::kStreamTailSize] = {};
    if (size >= sizeof tail && file_.ReadAt(size - sizeof tail, tail) &&
        std::equal(storage::kStreamTailMagic.begin(), storage::kStreamTailMagic.end(),
                   tail + sizeof tail - storage::kStreamTailMagic.size())) {
        length = storage::LoadLE64(tail);
        if (length > size - sizeof tail) {
            PrintError(path + ": the tail gives a container longer than the file");
            return false;
        }
    }
    if (!ReadFront(file_, length, read_)) {
        PrintError("cannot read " + path + ": " + std::strerror(errno));
        return false;
    }
    container_ = read_;
    return true;
}

bool LoadedContainer::Load(const std::string& path) {
    std::string error;
    if (!file_.Open(path, error)) {
        PrintError("cannot read " + path + ": " + error);
        return false;
    }
    if (!ReadContainer(path)) return false;
    switch (index_.Load(container_.data(), container_.size())) {
        case storage::WalkResult::Ok: break;
        case storage::WalkResult::IllegalFormat:
            PrintError(path + ": " + std::string(storage::StorageErrorText(storage::kErrorIllegalFormat)));
            return false;
        case storage::WalkResult::BodyError:
            PrintError(path + ": " + std::string(storage::StorageErrorText(storage::kErrorFileBody)));
            return false;
    }
    std::vector<storage::ChainRecord> records;
    for (const auto& entry : index_.Entries()) records.push_back(entry.record);
    const storage::PayloadStreamResult layout = storage::ReadStreamLayout(records, file_.Size(), stream_);
    if (layout != storage::PayloadStreamResult::Ok) {
        PrintError(path + ": " + std::string(storage::StreamResultText(layout)));
        return false;
    }
    return true;
}

const storage::StreamedNode* LoadedContainer::StreamedNodeOf(const storage::ContainerIndex::Entry& entry) const noexcept {
    if (entry.record.kind != storage::kStreamedNodeRecordKind) return nullptr;
    for (const storage::StreamedNode& node : stream_.nodes) {
        if (node.recordOffset == entry.record.recordOffset) return &node;
    }
    return nullptr;
}

storage::PayloadStreamResult LoadedContainer::DecodeStream(storage::StreamSink& sink) const noexcept {
    FileStreamSource source(file_);
    return storage::DecodePayloadStream(stream_, source, sink);
}

storage::PayloadStreamResult LoadedContainer::CheckStreamHash() const noexcept {
    FileStreamSource source(file_);
    return storage::CheckStreamHash(stream_, source);
}

std::string DescribeRecord(const storage::ContainerIndex::Entry& entry) {
    if (entry.path) return *entry.path;
    return "#" + std::to_string(entry.record.id) + " '" + std::string(entry.record.name) + "' (" +
           (entry.beyondPathCap ? "path too deep to show" : "unreachable") + ")";
}

}  // namespace tkds
