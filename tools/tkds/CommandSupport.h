#pragma once
// What the subcommands share: option parsing, error output and a container
// file loaded with its record index.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ContainerIndex.h"
#include "storage/PayloadStream.h"
#include "tools/tkds/Commands.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {

// Writes "tkds: message" and a line break to standard error.
void PrintError(std::string_view message);

struct OptionRule {
    std::string_view name;  // "-o", "--password", "--json", "-D"
    bool takesValue;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>, std::less<>> options;  // every value, in order

    bool Has(std::string_view name) const { return options.count(name) > 0; }
    // The last value given for name, or fallback.
    std::string Value(std::string_view name, std::string fallback = {}) const;
};

// Accepts "-o VALUE", "--long VALUE", "--long=VALUE" and "-DVALUE"; "--" ends the
// options. False with a reason for an unknown option or a missing value.
bool ParseArgs(const Args& args, std::initializer_list<OptionRule> rules, ParsedArgs& parsed, std::string& error);

// The payload stream's options of build and make: --quiet (no progress) and
// --threads N (1 to kMaxThreads; all processors when not given). False with the reason.
inline constexpr unsigned kMaxThreads = 1024;
bool ReadStreamSettings(const ParsedArgs& parsed, StreamSettings& settings, std::string& error);

// Prints the reason and the command's usage; returns kExitUsage.
int UsageError(const Command& command, std::string_view reason);

// The resource that carries a setup program's container.
inline constexpr std::u16string_view kStorageResourceType = u"STORAGE";
inline constexpr std::uint16_t kStorageResourceId = 129;

// A container in memory with its index and its payload stream's layout, from a
// container file (with the stream and tail that "build" appends when it has one)
// or, where the resource editor is built, from a made setup program (resource
// "STORAGE" 129, the stream in its overlay). Only the container (or the program's
// image) is read into memory; the stream is read from the open file as it is
// decoded, so that a large installer costs no more memory than a small one.
class LoadedContainer {
public:
    LoadedContainer() = default;
    LoadedContainer(const LoadedContainer&) = delete;
    LoadedContainer& operator=(const LoadedContainer&) = delete;

    // Opens the file, reads its container and walks it; on failure prints the
    // reason (the reader's own message for a broken container) and returns false.
    bool Load(const std::string& path);

    // The container's bytes.
    std::span<const std::uint8_t> Bytes() const noexcept { return container_; }
    const storage::ContainerIndex& Index() const noexcept { return index_; }
    // The stream's layout; not present for a container without streamed nodes.
    const storage::PayloadStreamLayout& Stream() const noexcept { return stream_; }
    // The streamed node of an index entry, or null.
    const storage::StreamedNode* StreamedNodeOf(const storage::ContainerIndex::Entry& entry) const noexcept;
    // Reads the stream from the loaded file.
    storage::PayloadStreamResult DecodeStream(storage::StreamSink& sink) const noexcept;
    // Whether the loaded file's stored stream bytes match the record's SHA-256.
    storage::PayloadStreamResult CheckStreamHash() const noexcept;

private:
    bool ReadContainer(const std::string& path);

    // Reading moves the file's position, never what was loaded.
    mutable FileSource file_;
    std::vector<std::uint8_t> read_;      // the container, or the image of a setup program
    std::vector<std::uint8_t> resource_;  // the container of a setup program
    std::span<const std::uint8_t> container_;
    storage::ContainerIndex index_;
    storage::PayloadStreamLayout stream_;
};

// "Backgrounds.1", or "#id 'name' (unreachable)" for a record that no path reaches
// ("(path too deep to show)" for one beyond the index's path caps).
std::string DescribeRecord(const storage::ContainerIndex::Entry& entry);

}  // namespace tkds
