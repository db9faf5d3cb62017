#include "tools/tkds/CommandSupport.h"

#include <cstdio>

#include "storage/StorageErrors.h"
#include "tools/tkds/FileIo.h"

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

bool LoadedContainer::Load(const std::string& path) {
    std::string error;
    if (!ReadFileBytes(path, bytes_, error)) {
        PrintError("cannot read " + path + ": " + error);
        return false;
    }
    switch (index_.Load(bytes_.data(), bytes_.size())) {
        case storage::WalkResult::Ok: return true;
        case storage::WalkResult::IllegalFormat:
            PrintError(path + ": " + std::string(storage::StorageErrorText(storage::kErrorIllegalFormat)));
            return false;
        case storage::WalkResult::BodyError:
            PrintError(path + ": " + std::string(storage::StorageErrorText(storage::kErrorFileBody)));
            return false;
    }
    return false;
}

std::string DescribeRecord(const storage::ContainerIndex::Entry& entry) {
    if (entry.path) return *entry.path;
    return "#" + std::to_string(entry.record.id) + " '" + std::string(entry.record.name) + "' (" +
           (entry.beyondPathCap ? "path too deep to show" : "unreachable") + ")";
}

}  // namespace tkds
