#pragma once
// What the subcommands share: option parsing, error output and a container
// file loaded with its record index.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ContainerIndex.h"
#include "tools/tkds/Commands.h"

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

// Prints the reason and the command's usage; returns kExitUsage.
int UsageError(const Command& command, std::string_view reason);

// A container file in memory with its index; the index points into bytes.
class LoadedContainer {
public:
    LoadedContainer() = default;
    LoadedContainer(const LoadedContainer&) = delete;
    LoadedContainer& operator=(const LoadedContainer&) = delete;

    // Reads and walks the file; on failure prints the reason (the reader's own
    // message for a broken container) and returns false.
    bool Load(const std::string& path);

    const std::vector<std::uint8_t>& Bytes() const noexcept { return bytes_; }
    const storage::ContainerIndex& Index() const noexcept { return index_; }

private:
    std::vector<std::uint8_t> bytes_;
    storage::ContainerIndex index_;
};

// "Backgrounds.1", or "#id 'name' (unreachable)" for a record that no path reaches
// ("(path too deep to show)" for one beyond the index's path caps).
std::string DescribeRecord(const storage::ContainerIndex::Entry& entry);

}  // namespace tkds
