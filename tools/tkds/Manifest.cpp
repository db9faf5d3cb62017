#include "tools/tkds/Manifest.h"

#include <charconv>
#include <limits>
#include <unordered_map>

#include "storage/StoragePath.h"

namespace tkds {

namespace {

struct Token {
    std::string text;                      // quotes removed, escapes resolved
    std::size_t equals = std::string::npos;  // first "=" outside quotes
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits one line into tokens; false with a reason on an unterminated quote.
bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') return true;
        Token token;
        while (i < line.size() && !IsBlank(line[i])) {
            const char c = line[i++];
            if (c == '=' && token.equals == std::string::npos) token.equals = token.text.size();
            if (c != '"') {
                token.text += c;
                continue;
            }
            bool closed = false;
            while (i < line.size()) {
                const char q = line[i++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                // Only \" and \\ are escapes; any other backslash stays as written
                // (Windows paths in quotes keep their separators).
                if (q == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    token.text += line[i++];
                } else {
                    token.text += q;
                }
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
        }
        tokens.push_back(std::move(token));
    }
}

bool Substitute(std::string_view in, const Defines& defines, std::string& out, std::string& error) {
    out.clear();
    for (std::size_t i = 0; i < in.size();) {
        if (in.substr(i, 2) != "${") {
            out += in[i++];
            continue;
        }
        const std::size_t close = in.find('}', i + 2);
        if (close == std::string_view::npos) {
            error = "unterminated ${ in '" + std::string(in) + "'";
            return false;
        }
        const std::string_view name = in.substr(i + 2, close - i - 2);
        if (!IsDefineName(name)) {
            error = "invalid variable name '" + std::string(name) + "'";
            return false;
        }
        const auto found = defines.find(name);
        if (found == defines.end()) {
            error = "undefined variable '" + std::string(name) + "' (define it with -D " + std::string(name) + "=...)";
            return false;
        }
        out += found->second;
        i = close + 1;
    }
    return true;
}

std::optional<storage::NodeType> TypeFromName(std::string_view name) {
    using storage::NodeType;
    if (name == "Integer") return NodeType::Integer;
    if (name == "String") return NodeType::String;
    if (name == "Binary") return NodeType::Binary;
    if (name == "Folder") return NodeType::Folder;
    return std::nullopt;
}

struct CompressionName {
    std::string_view word;
    Compression compression;
};
constexpr CompressionName kCompressionNames[] = {{"yes", Compression::Zlib}, {"no", Compression::None}, {"lzma", Compression::Lzma}};

std::optional<Compression> CompressionFromWord(std::string_view word) {
    for (const CompressionName& known : kCompressionNames) {
        if (known.word == word) return known.compression;
    }
    return std::nullopt;
}

std::string CompressionWords() {
    std::string words;
    const std::size_t count = std::size(kCompressionNames);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) words += i + 1 == count ? " or " : ", ";
        words += kCompressionNames[i].word;
    }
    return words;
}

template <typename T>
bool ParseDecimal(std::string_view text, T& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return ec == std::errc() && end == text.data() + text.size();
}

class LineParser {
public:
    LineParser(int line, const Defines& defines) : line_(line), defines_(defines) {}

    // Fills entry from the tokens of one line; false with a reason.
    bool Parse(std::vector<Token>& tokens, ManifestEntry& entry, std::string& error) {
        entry.line = line_;
        if (tokens.size() < 2) {
            error = "expected a path and a type (Integer, String, Binary or Folder)";
            return false;
        }
        if (!ParsePath(tokens[0].text, entry, error)) return false;
        if (tokens[1].text == "Tree") {
            entry.tree = true;
            entry.compress = kTreeDefaultCompression;
        } else if (const auto type = TypeFromName(tokens[1].text)) {
            entry.type = *type;
        } else {
            error = "unknown type '" + tokens[1].text + "' (Integer, String, Binary, Folder or Tree)";
            return false;
        }
        for (std::size_t i = 2; i < tokens.size(); ++i) {
            if (!ParseOption(tokens[i], entry, error)) return false;
        }
        return CheckCombination(entry, error);
    }

private:
    static bool ParsePath(const std::string& text, ManifestEntry& entry, std::string& error) {
        std::size_t start = 0;
        while (true) {
            const std::size_t dot = text.find(storage::kPathSeparator, start);
            const std::string segment = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            if (segment.empty()) {
                error = "empty name in path '" + text + "'";
                return false;
            }
            if (segment.find('\0') != std::string::npos) {
                error = "zero byte in path";
                return false;
            }
            entry.segments.push_back(segment);
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        entry.path = text;
        return true;
    }

    bool ParseOption(const Token& token, ManifestEntry& entry, std::string& error) {
        if (token.equals == std::string::npos) {
            error = "expected key=value, found '" + token.text + "'";
            return false;
        }
        const std::string key = token.text.substr(0, token.equals);
        std::string value;
        if (!Substitute(std::string_view(token.text).substr(token.equals + 1), defines_, value, error)) return false;
        if (!seen_.emplace(key, true).second) {
            error = "option '" + key + "' given twice";
            return false;
        }
        if (key == "id") {
            std::uint64_t id = 0;
            if (!ParseDecimal(value, id) || id == 0 || id > std::numeric_limits<std::uint32_t>::max()) {
                error = "id must be a whole number from 1 to 4294967295, found '" + value + "'";
                return false;
            }
            entry.id = static_cast<std::uint32_t>(id);
        } else if (key == "compress") {
            const auto compression = CompressionFromWord(value);
            if (!compression) {
                error = "compress must be " + CompressionWords() + ", found '" + value + "'";
                return false;
            }
            entry.compress = *compression;
        } else if (key == "dir") {
            if (value.empty()) {
                error = "dir= needs a folder name";
                return false;
            }
            entry.dir = value;
        } else if (key == "password") {
            entry.password = value;
        } else if (key == "value") {
            entry.value = value;
        } else if (key == "file") {
            if (value.empty()) {
                error = "file= needs a file name";
                return false;
            }
            entry.file = value;
        } else if (key == "convert") {
            entry.convert = PixelLayoutFromName(value);
            if (!entry.convert) {
                error = "convert must be rgb, rgba-t or dib24, found '" + value + "'";
                return false;
            }
        } else {
            error = "unknown option '" + key + "'";
            return false;
        }
        return true;
    }

    bool CheckCombination(const ManifestEntry& entry, std::string& error) const {
        using storage::NodeType;
        if (entry.tree) return CheckTreeLine(entry, error);
        if (seen_.count("dir")) {
            error = "dir= belongs to a Tree line";
            return false;
        }
        if (!seen_.count("id")) {
            error = "missing id=";
            return false;
        }
        if (entry.type == NodeType::Folder) {
            for (const char* key : {"value", "file", "compress", "password", "convert"}) {
                if (seen_.count(key)) {
                    error = std::string("a Folder takes no ") + key + "=";
                    return false;
                }
            }
            return true;
        }
        if (entry.value && entry.file) {
            error = "give either value= or file=, not both";
            return false;
        }
        if (!entry.value && !entry.file) {
            error = "missing value= or file=";
            return false;
        }
        if (entry.type == NodeType::Integer) {
            std::int32_t number = 0;
            if (!entry.value) {
                error = "an Integer takes its number from value=";
                return false;
            }
            if (!ParseDecimal(*entry.value, number)) {
                error = "value must be a 32-bit decimal integer, found '" + *entry.value + "'";
                return false;
            }
        }
        if (entry.compress == Compression::Lzma && (entry.type != NodeType::Binary || entry.password || entry.convert)) {
            error = "compress=lzma applies to a Binary node without password= or convert=";
            return false;
        }
        if (entry.convert && (!entry.file || entry.type != NodeType::Binary)) {
            error = "convert= applies to a Binary node read from a PNG file=";
            return false;
        }
        return true;
    }

    bool CheckTreeLine(const ManifestEntry& entry, std::string& error) const {
        if (entry.path != kTreePath) {
            error = "a Tree line's path is " + std::string(kTreePath) + ", found '" + entry.path + "'";
            return false;
        }
        for (const auto& [key, given] : seen_) {
            if (key != "dir" && key != "compress") {
                error = "a Tree takes only dir= and compress=, not " + key + "= (tkds chooses the ids)";
                return false;
            }
        }
        if (!entry.dir) {
            error = "missing dir=";
            return false;
        }
        return true;
    }

    int line_;
    const Defines& defines_;
    std::unordered_map<std::string, bool> seen_;
};

// Ids unique, paths unique, every parent a Folder entry. Tree lines have neither
// ids nor paths of their own, so there may be several.
void CheckEntries(const std::vector<ManifestEntry>& entries, std::vector<ManifestError>& errors) {
    std::unordered_map<std::uint32_t, const ManifestEntry*> byId;
    std::unordered_map<std::string, const ManifestEntry*> byPath;
    for (const auto& entry : entries) {
        if (entry.tree) continue;
        if (auto [it, added] = byId.emplace(entry.id, &entry); !added) {
            errors.push_back({entry.line, "id " + std::to_string(entry.id) + " already used on line " +
                                              std::to_string(it->second->line)});
        }
        if (auto [it, added] = byPath.emplace(entry.path, &entry); !added) {
            errors.push_back({entry.line, "'" + entry.path + "' already defined on line " +
                                              std::to_string(it->second->line)});
        }
    }
    for (const auto& entry : entries) {
        if (entry.segments.size() < 2) continue;
        const std::string parent = entry.path.substr(0, entry.path.size() - entry.segments.back().size() - 1);
        const auto found = byPath.find(parent);
        if (found == byPath.end()) {
            errors.push_back({entry.line, "parent '" + parent + "' is not in the manifest"});
        } else if (found->second->type != storage::NodeType::Folder) {
            errors.push_back({entry.line, "parent '" + parent + "' is not a Folder (line " +
                                              std::to_string(found->second->line) + ")"});
        }
    }
}

}  // namespace

bool IsDefineName(std::string_view name) noexcept {
    if (name.empty()) return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool ParseManifest(std::string_view text, const Defines& defines, std::vector<ManifestEntry>& entries,
                   std::vector<ManifestError>& errors) {
    const std::size_t errorsBefore = errors.size();
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::vector<Token> tokens;
        std::string error;
        if (!Tokenize(line, tokens, error)) {
            errors.push_back({lineNumber, error});
            continue;
        }
        if (tokens.empty()) continue;
        ManifestEntry entry;
        if (!LineParser(lineNumber, defines).Parse(tokens, entry, error)) {
            errors.push_back({lineNumber, error});
            continue;
        }
        entries.push_back(std::move(entry));
    }
    CheckEntries(entries, errors);
    return errors.size() == errorsBefore;
}

}  // namespace tkds
