#include "tools/tkds/TreeExpansion.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <system_error>
#include <tuple>

#include "install/DocumentText.h"
#include "install/InstallDocument.h"
#include "install/NameRule.h"
#include "storage/ContainerIndex.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestBuilder.h"

namespace tkds {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxDepth = storage::ContainerIndex::kMaxPathDepth;
constexpr std::size_t kMaxRelativePath = storage::ContainerIndex::kMaxPathLength;

struct TreeFile {
    std::string relative;  // parts joined with "\", as the document names the file
    std::string name;      // the last part
    std::string path;      // where it is read from
    int treeLine = 0;      // the manifest line of its Tree
    std::string key;       // chosen once every tree is listed
    bool named = false;    // a "*" line of the document gives it its line
};

// A file's type, for ordering: its extension in lower case ("" without one).
std::string TypeOf(const TreeFile& file) {
    const std::size_t dot = file.name.rfind('.');
    std::string type = dot == std::string::npos || dot == 0 ? std::string() : file.name.substr(dot + 1);
    for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return type;
}

// Files of one type together, each type's files by name, then by place.
bool AlikeFirst(const TreeFile* a, const TreeFile* b) {
    const std::string typeA = TypeOf(*a), typeB = TypeOf(*b);
    return std::tie(typeA, a->name, a->relative) < std::tie(typeB, b->name, b->relative);
}

// Windows keeps one file for names that differ only in letter case.
std::string Folded(std::string_view path) {
    std::string folded(path);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '/') c = '\\';
    }
    return folded;
}

class TreeLister {
public:
    TreeLister(int line, std::vector<TreeFile>& files, std::vector<ManifestError>& errors)
        : line_(line), files_(files), errors_(errors) {}

    void List(const fs::path& root) {
        std::error_code failure;
        const fs::file_status status = fs::symlink_status(root, failure);
        if (failure || !fs::is_directory(status)) {
            Refuse(root.string() + (fs::is_symlink(status) ? " is a symbolic link; a Tree takes a folder"
                                                           : " is not a folder (" +
                                                                 (failure ? failure.message() : "dir= names a folder") +
                                                                 ")"));
            return;
        }
        Walk(root, "", 0);
    }

private:
    void Refuse(std::string reason) { errors_.push_back({line_, std::move(reason)}); }

    void Walk(const fs::path& folder, const std::string& prefix, std::size_t depth) {
        std::error_code failure;
        fs::directory_iterator it(folder, failure);
        for (; !failure && it != fs::directory_iterator(); it.increment(failure)) {
            const fs::path& path = it->path();
            const std::string name = path.filename().string();
            const std::string relative = prefix + name;
            const fs::file_status status = it->symlink_status(failure);
            if (failure) break;
            if (fs::is_symlink(status)) {
                Refuse(path.string() + " is a symbolic link; a Tree takes regular files and folders only");
            } else if (fs::is_directory(status)) {
                if (depth + 1 >= kMaxDepth) {
                    Refuse(path.string() + " lies more than " + std::to_string(kMaxDepth) + " levels deep");
                } else {
                    Walk(path, relative + "\\", depth + 1);
                }
            } else if (!fs::is_regular_file(status)) {
                Refuse(path.string() + " is not a regular file (a device, pipe or socket)");
            } else if (CheckRelative(path, relative)) {
                // Absolute, since the builder reads relative names from the manifest's folder.
                files_.push_back({relative, name, fs::absolute(path).string(), line_, {}, false});
            }
        }
        if (failure) Refuse("cannot read the folder " + folder.string() + ": " + failure.message());
    }

    // The relative path as a document field and a name setup writes.
    bool CheckRelative(const fs::path& path, const std::string& relative) {
        if (relative.size() > kMaxRelativePath) {
            Refuse(path.string() + ": its path in the tree is longer than " + std::to_string(kMaxRelativePath) +
                   " bytes");
            return false;
        }
        if (const install::NameFault fault = install::CheckRelativePath(relative); fault != install::NameFault::None) {
            Refuse(path.string() + ": the file name \"" + relative + "\" " +
                   install::DescribeNameFault(fault, relative) + ".");
            return false;
        }
        if (relative.find(',') != std::string::npos) {
            Refuse(path.string() + ": a comma ends a field of the install document, so \"" + relative +
                   "\" cannot be named there");
            return false;
        }
        return true;
    }

    int line_;
    std::vector<TreeFile>& files_;
    std::vector<ManifestError>& errors_;
};

// The install document's text as the manifest gives it.
bool DocumentText(const ManifestEntry& entry, const std::string& baseDir, std::string& text, std::string& error) {
    if (entry.value) {
        text = *entry.value;
        return true;
    }
    std::vector<std::uint8_t> bytes;
    const std::string path = ResolveFile(baseDir, *entry.file);
    if (!ReadFileBytes(path, bytes, error)) {
        error = "cannot read " + path + ": " + error;
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

class Expansion {
public:
    Expansion(std::vector<ManifestEntry>& entries, const std::string& baseDir, std::vector<ManifestError>& errors)
        : entries_(entries), baseDir_(baseDir), errors_(errors) {}

    bool Run() {
        const std::size_t errorsBefore = errors_.size();
        ManifestEntry* document = nullptr;
        bool trees = false;
        for (ManifestEntry& entry : entries_) {
            if (entry.tree) {
                trees = true;
                TreeLister(entry.line, files_, errors_).List(ResolveFile(baseDir_, *entry.dir));
            } else if (entry.path == install::InstallDocument::kDocumentNode &&
                       entry.type == storage::NodeType::String) {
                document = &entry;
            }
        }
        std::string text;
        if (!document) {
            if (trees) errors_.push_back({FirstTreeLine(), "a Tree line needs the install document, a String node " +
                                                               std::string(install::InstallDocument::kDocumentNode)});
            return errors_.size() == errorsBefore;
        }
        std::string error;
        if (!DocumentText(*document, baseDir_, text, error)) {
            // The builder reports an unreadable document of a manifest without trees.
            if (trees) errors_.push_back({document->line, error});
            return errors_.size() == errorsBefore;
        }
        // Each Tree's files together, in the order of the Tree lines, each sorted.
        std::sort(files_.begin(), files_.end(), [](const TreeFile& a, const TreeFile& b) {
            return a.treeLine != b.treeLine ? a.treeLine < b.treeLine : a.relative < b.relative;
        });
        CheckCollisions();
        const std::vector<std::size_t> stars = ReadDocument(*document, text);
        if (errors_.size() != errorsBefore || (!trees && stars.empty())) return errors_.size() == errorsBefore;

        ChooseKeys();
        std::string expanded = RewriteDocument(text, stars);
        install::InstallDocument check;
        check.Parse(expanded);
        if (check.IsDamaged()) {
            errors_.push_back({document->line, "with the Tree's lines added: " + check.DamageReason()});
            return false;
        }
        document->value = std::move(expanded);
        document->file.reset();
        return ReplaceTreeLines();
    }

private:
    int FirstTreeLine() const {
        for (const ManifestEntry& entry : entries_) {
            if (entry.tree) return entry.line;
        }
        return 0;
    }

    void CheckCollisions() {
        for (const TreeFile& file : files_) {
            const auto [it, added] = folded_.emplace(Folded(file.relative), &file);
            if (!added) {
                errors_.push_back({file.treeLine, "\"" + file.relative + "\" and \"" + it->second->relative +
                                                      "\" are one file on Windows, whose names ignore letter case"});
            }
        }
    }

    // Notes the keys the document uses and finds its "*" lines: the offsets of
    // their "*" in text, whose files are marked named.
    std::vector<std::size_t> ReadDocument(const ManifestEntry& document, const std::string& text) {
        std::vector<std::size_t> stars;
        std::map<std::string, TreeFile*> byRelative;
        for (TreeFile& file : files_) byRelative.emplace(Folded(file.relative), &file);
        for (const install::DocumentLine& raw : install::SplitDocumentLines(text)) {
            const std::string_view line = install::TrimBlanks(raw.text);
            if (!install::IsPayloadLine(line)) continue;
            const std::vector<std::string_view> fields = install::SplitPayloadFields(line);
            const std::string where = std::string(install::InstallDocument::kDocumentNode) + " line " +
                                      std::to_string(raw.number) + ": ";
            const bool installed = fields.size() > 2 && fields[2] == "pit";
            if (fields.empty() || fields[0] != "*") {
                if (!fields.empty()) usedKeys_.emplace(fields[0]);
                const auto found = fields.size() > 1 && installed ? folded_.find(Folded(fields[1])) : folded_.end();
                if (found != folded_.end()) {
                    errors_.push_back({document.line, where + "\"" + std::string(fields[1]) +
                                                          "\" is a file of a Tree too; give it a \"*\" line instead"});
                }
                continue;
            }
            const auto file = fields.size() > 1 ? byRelative.find(Folded(fields[1])) : byRelative.end();
            if (file == byRelative.end()) {
                errors_.push_back({document.line, where + "\"" + std::string(line) + "\" names no file of a Tree"});
            } else if (!installed) {
                errors_.push_back({document.line, where + "a \"*\" line installs its tree file into the destination "
                                                          "(pit), as the Tree does"});
            } else if (file->second->named) {
                errors_.push_back({document.line, where + "\"" + file->second->relative + "\" is named by two \"*\" lines"});
            } else {
                file->second->named = true;
                stars.push_back(static_cast<std::size_t>(fields[0].data() - text.data()));
                starFiles_.push_back(file->second);
            }
        }
        return stars;
    }

    void ChooseKeys() {
        for (const ManifestEntry& entry : entries_) {
            if (!entry.tree && entry.segments.size() == 2 && entry.segments[0] + "." == install::InstallDocument::kPayloadPrefix)
                usedKeys_.insert(entry.segments[1]);
        }
        std::uint64_t number = 0;
        for (TreeFile& file : files_) {
            do {
                file.key = "f" + std::to_string(++number);
            } while (usedKeys_.count(file.key));
        }
    }

    std::string RewriteDocument(const std::string& text, const std::vector<std::size_t>& stars) const {
        std::string out;
        std::size_t from = 0;
        for (std::size_t i = 0; i < stars.size(); ++i) {
            out.append(text, from, stars[i] - from);
            out += starFiles_[i]->key;
            from = stars[i] + 1;
        }
        out.append(text, from, std::string::npos);
        // The appended lines end as the document's own lines do.
        const std::string lineEnd = text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos
                                        ? "\r\n"
                                        : "\n";
        for (const TreeFile& file : files_) {
            if (file.named) continue;
            if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += lineEnd;
            out += file.key + "," + file.relative + ",pit,f,f," + file.name;
        }
        return out;
    }

    bool ReplaceTreeLines() {
        std::set<std::uint32_t> usedIds;
        for (const ManifestEntry& entry : entries_) {
            if (!entry.tree) usedIds.insert(entry.id);
        }
        std::uint64_t nextId = usedIds.empty() ? 1 : std::uint64_t{*usedIds.rbegin()} + 1;
        std::vector<ManifestEntry> expanded;
        expanded.reserve(entries_.size() + files_.size());
        std::size_t next = 0;
        for (ManifestEntry& entry : entries_) {
            if (!entry.tree) {
                expanded.push_back(std::move(entry));
                continue;
            }
            std::vector<const TreeFile*> tree;
            for (; next < files_.size() && files_[next].treeLine == entry.line; ++next) tree.push_back(&files_[next]);
            // In the payload stream, files of one kind compress better side by side:
            // its nodes go by file type, then name. The document keeps the tree's order.
            if (entry.compress == Compression::Lzma) std::sort(tree.begin(), tree.end(), AlikeFirst);
            for (const TreeFile* alike : tree) {
                if (nextId > std::numeric_limits<std::uint32_t>::max()) {
                    errors_.push_back({entry.line, "no node ids are left above the manifest's highest"});
                    return false;
                }
                const TreeFile& file = *alike;
                ManifestEntry node;
                node.line = entry.line;
                node.segments = {"Data", file.key};
                node.path = "Data." + file.key;
                node.type = storage::NodeType::Binary;
                node.id = static_cast<std::uint32_t>(nextId++);
                node.compress = entry.compress;
                node.file = file.path;
                expanded.push_back(std::move(node));
            }
        }
        entries_ = std::move(expanded);
        return true;
    }

    std::vector<ManifestEntry>& entries_;
    const std::string& baseDir_;
    std::vector<ManifestError>& errors_;
    std::vector<TreeFile> files_;
    std::map<std::string, const TreeFile*> folded_;
    std::set<std::string, std::less<>> usedKeys_;
    std::vector<const TreeFile*> starFiles_;
};

}  // namespace

bool ExpandTrees(std::vector<ManifestEntry>& entries, const std::string& baseDir, std::vector<ManifestError>& errors) {
    return Expansion(entries, baseDir, errors).Run();
}

}  // namespace tkds
