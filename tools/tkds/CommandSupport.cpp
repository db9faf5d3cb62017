#include "tools/tkds/CommandSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "storage/StorageErrors.h"
#include "tools/tkds/FileIo.h"
#ifdef TKDS_HAVE_MAKE
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

int UsageError(const Command& command, std::string_view reason) {
    PrintError(reason);
    std::fprintf(stderr, "usage: tkds %.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                 static_cast<int>(command.usage.size()), command.usage.data());
    return kExitUsage;
}

namespace {

// Reads the stream from the file held in memory.
class MemorySource : public storage::StreamSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
        std::memcpy(buffer, bytes_.data() + offset, length);
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

#ifdef TKDS_HAVE_MAKE
bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}
#endif

}  // namespace

// Where the container lies in the file: a setup program's resource, the part of
// a container file before its stream, or the whole file.
bool LoadedContainer::FindContainer(const std::string& path) {
    container_ = file_;
#ifdef TKDS_HAVE_MAKE
    if (StartsWith(file_, "MZ")) {
        std::vector<resedit::Resource> resources;
        std::string error;
        if (!resedit::ReadPeResources(file_, resources, error)) {
            PrintError(path + ": " + error);
            return false;
        }
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
#endif
    if (file_.size() >= storage::kStreamTailSize &&
        std::equal(storage::kStreamTailMagic.begin(), storage::kStreamTailMagic.end(),
                   file_.end() - storage::kStreamTailMagic.size())) {
        const std::uint64_t length = storage::LoadLE64(file_.data() + file_.size() - storage::kStreamTailSize);
        if (length > file_.size() - storage::kStreamTailSize) {
            PrintError(path + ": the tail gives a container longer than the file");
            return false;
        }
        container_ = std::span<const std::uint8_t>(file_).first(static_cast<std::size_t>(length));
    }
    return true;
}

bool LoadedContainer::Load(const std::string& path) {
    std::string error;
    if (!ReadFileBytes(path, file_, error)) {
        PrintError("cannot read " + path + ": " + error);
        return false;
    }
    if (!FindContainer(path)) return false;
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
    const storage::PayloadStreamResult layout = storage::ReadStreamLayout(records, file_.size(), stream_);
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
    MemorySource source(file_);
    return storage::DecodePayloadStream(stream_, source, sink);
}

storage::PayloadStreamResult LoadedContainer::CheckStreamHash() const noexcept {
    MemorySource source(file_);
    return storage::CheckStreamHash(stream_, source);
}

std::string DescribeRecord(const storage::ContainerIndex::Entry& entry) {
    if (entry.path) return *entry.path;
    return "#" + std::to_string(entry.record.id) + " '" + std::string(entry.record.name) + "' (" +
           (entry.beyondPathCap ? "path too deep to show" : "unreachable") + ")";
}

}  // namespace tkds
