#include "tools/resedit/ResourceTree.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

#include "storage/ContainerFormat.h"

namespace resedit {

namespace {

using storage::AppendLE16;
using storage::AppendLE32;
using storage::LoadLE16;
using storage::LoadLE32;

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kDirectorySize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::uint32_t kDataAlignment = 8;
// The largest resource section written: keeps every offset below the high bit and
// the image well inside 4 GB.
constexpr std::uint64_t kMaxTreeSize = 0x40000000;

enum Level { kTypeLevel, kNameLevel, kLanguageLevel };
const char* const kLevelNames[] = {"type", "name", "language"};

std::string Describe(const ResourceKey& key) {
    if (key.id) return std::to_string(*key.id);
    std::string text = "\"";
    for (char16_t c : key.Name()) text.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    return text + "\"";
}

class TreeReader {
public:
    TreeReader(std::span<const std::uint8_t> file, const PeHeaders& pe, std::span<const std::uint8_t> tree,
               std::vector<Resource>& out, std::string& error)
        : file_(file), pe_(pe), tree_(tree), out_(out), error_(error) {}

    bool ReadDirectory(std::uint32_t offset, Level level, const Resource& path) {
        if (!seen_.insert(offset).second) return Fail("a resource directory is reached twice (a loop or a shared subtree)");
        if (std::uint64_t{offset} + kDirectorySize > tree_.size()) return Fail("a resource directory lies outside the tree");
        const std::uint8_t* dir = tree_.data() + offset;
        const std::size_t count = std::size_t{LoadLE16(dir + 12)} + LoadLE16(dir + 14);
        if (offset + kDirectorySize + count * kEntrySize > tree_.size())
            return Fail("a resource directory's entries lie outside the tree");
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = dir + kDirectorySize + i * kEntrySize;
            Resource next{path.type, path.name, path.language, 0, {}};
            ResourceKey& key = level == kTypeLevel ? next.type : next.name;
            const std::uint32_t nameField = LoadLE32(entry);
            const std::uint32_t target = LoadLE32(entry + 4);
            if (level == kLanguageLevel) {
                if (nameField > 0xFFFF) return Fail("a resource language is not a number");
                next.language = static_cast<std::uint16_t>(nameField);
            } else if (!ReadKey(nameField, key)) {
                return false;
            }
            const bool isDirectory = (target & kHighBit) != 0;
            if (isDirectory != (level != kLanguageLevel))
                return Fail(std::string("the resource tree is not three levels deep (at a ") + kLevelNames[level] +
                            " entry)");
            if (isDirectory) {
                if (!ReadDirectory(target & ~kHighBit, static_cast<Level>(level + 1), next)) return false;
            } else if (!ReadData(target, next)) {
                return false;
            }
        }
        return true;
    }

    // The rank of every name read in the order of names, so that resources sort
    // by numbers rather than by comparing long names again and again.
    std::unordered_map<const std::u16string*, std::uint64_t> NameRanks() const {
        std::vector<const std::u16string*> names;
        for (const auto& [text, shared] : byContent_) names.push_back(shared.get());
        std::sort(names.begin(), names.end(), [](const std::u16string* a, const std::u16string* b) { return *a < *b; });
        std::unordered_map<const std::u16string*, std::uint64_t> ranks;
        for (std::size_t i = 0; i < names.size(); ++i) ranks.emplace(names[i], i);
        return ranks;
    }

private:
    bool Fail(std::string reason) {
        error_ = std::move(reason);
        return false;
    }

    bool ReadKey(std::uint32_t field, ResourceKey& key) {
        if (!(field & kHighBit)) {
            if (field > 0xFFFF) return Fail("a resource id does not fit 16 bits");
            key = ResourceKey::Number(static_cast<std::uint16_t>(field));
            return true;
        }
        const std::uint32_t at = field & ~kHighBit;
        if (std::uint64_t{at} + 2 > tree_.size()) return Fail("a resource name lies outside the tree");
        const std::size_t length = LoadLE16(tree_.data() + at);
        if (at + 2 + length * 2 > tree_.size()) return Fail("a resource name lies outside the tree");
        // Entries may all point at one long name: it is read once and shared, as is
        // any name equal to one read before. Names at different offsets may overlap,
        // so what is read in all is capped by the tree, as names laid end to end are.
        std::shared_ptr<const std::u16string>& shared = byOffset_[at];
        if (!shared) {
            nameBytes_ += 2 + length * 2;
            if (nameBytes_ > tree_.size()) return Fail("the resource names add up to more than the resource section");
            std::u16string name(length, u'\0');
            for (std::size_t i = 0; i < length; ++i)
                name[i] = static_cast<char16_t>(LoadLE16(tree_.data() + at + 2 + i * 2));
            if (const auto found = byContent_.find(name); found != byContent_.end()) {
                shared = found->second;
            } else {
                shared = std::make_shared<const std::u16string>(std::move(name));
                byContent_.emplace(*shared, shared);
            }
        }
        key = ResourceKey::Named(shared);
        return true;
    }

    bool ReadData(std::uint32_t offset, Resource& resource) {
        if (std::uint64_t{offset} + kDataEntrySize > tree_.size()) return Fail("a resource data entry lies outside the tree");
        const std::uint8_t* entry = tree_.data() + offset;
        const std::uint32_t rva = LoadLE32(entry);
        const std::uint32_t size = LoadLE32(entry + 4);
        resource.codePage = LoadLE32(entry + 8);
        // Distinct entries may overlap, so their sum is capped by the file, not just each one.
        total_ += size;
        if (total_ > file_.size()) return Fail("the resource data adds up to more than the file");
        if (size != 0) {
            const std::uint8_t* data = pe_.BytesAt(file_, rva, size);
            if (!data)
                return Fail("the data of resource " + Describe(resource.type) + "/" + Describe(resource.name) +
                            " lies outside the file's sections");
            resource.data.assign(data, data + size);
        }
        out_.push_back(std::move(resource));
        return true;
    }

    std::span<const std::uint8_t> file_;
    const PeHeaders& pe_;
    std::span<const std::uint8_t> tree_;
    std::vector<Resource>& out_;
    std::string& error_;
    std::set<std::uint32_t> seen_;
    std::map<std::uint32_t, std::shared_ptr<const std::u16string>> byOffset_;  // names by offset in the tree
    std::unordered_map<std::u16string_view, std::shared_ptr<const std::u16string>> byContent_;  // one per text
    std::uint64_t nameBytes_ = 0;
    std::uint64_t total_ = 0;
};

// Where a resource goes in the sorted order: named keys by the rank of their
// name, before numbered keys by number, then the language.
struct SortKey {
    std::uint64_t type = 0;
    std::uint64_t name = 0;
    std::uint16_t language = 0;
    std::size_t index = 0;

    bool SameResource(const SortKey& other) const {
        return type == other.type && name == other.name && language == other.language;
    }
    friend auto operator<=>(const SortKey&, const SortKey&) = default;
};

// One directory of the tree being written: its entries' keys and what they point to.
struct PlannedDirectory {
    std::vector<const ResourceKey*> keys;  // null at the language level
    std::vector<std::uint16_t> languages;
    std::vector<std::size_t> children;     // indexes of directories, or of resources at the language level
    bool leaves = false;
    std::size_t namedCount = 0;
    std::uint32_t offset = 0;
};

}  // namespace

bool ReadResourceTree(std::span<const std::uint8_t> file, const PeHeaders& pe, std::vector<Resource>& out,
                      std::string& error) {
    out.clear();
    const DataDirectory root = pe.Directory(kResourceDirectory);
    if (root.rva == 0 && root.size == 0) return true;
    const SectionHeader* section = pe.SectionAt(root.rva);
    if (!section) {
        error = "the resource directory lies outside every section";
        return false;
    }
    const std::uint32_t into = root.rva - section->virtualAddress;
    const std::uint32_t inFile = std::min(section->rawSize, section->Extent());
    if (into >= inFile) {
        error = "the resource directory lies outside the file";
        return false;
    }
    const std::span<const std::uint8_t> tree(file.data() + section->rawOffset + into, inFile - into);
    TreeReader reader(file, pe, tree, out, error);
    if (!reader.ReadDirectory(0, kTypeLevel, Resource{})) {
        out.clear();
        return false;
    }
    const auto ranks = reader.NameRanks();
    const auto order = [&](const ResourceKey& key) {
        return key.id ? ranks.size() + *key.id : ranks.at(key.sharedName.get());
    };
    std::vector<SortKey> keys;
    keys.reserve(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) keys.push_back({order(out[i].type), order(out[i].name), out[i].language, i});
    std::sort(keys.begin(), keys.end());
    const auto twice = std::adjacent_find(keys.begin(), keys.end(),
                                          [](const SortKey& a, const SortKey& b) { return a.SameResource(b); });
    if (twice != keys.end()) {
        const Resource& r = out[twice->index];
        error = "the resource tree names " + Describe(r.type) + "/" + Describe(r.name) + " language " +
                std::to_string(r.language) + " twice";
        out.clear();
        return false;
    }
    std::vector<Resource> sorted;
    sorted.reserve(out.size());
    for (const SortKey& key : keys) sorted.push_back(std::move(out[key.index]));
    out = std::move(sorted);
    return true;
}

bool BuildResourceTree(const std::vector<Resource>& sorted, std::uint32_t rva, std::vector<std::uint8_t>& out,
                       std::vector<StreamedData>& streamed, std::string& error) {
    // Plan the directories breadth first: the root, the type directories, the name directories.
    std::vector<PlannedDirectory> dirs(1);
    std::vector<std::size_t> typeDirs;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const Resource& r = sorted[i];
        if (i == 0 || !(sorted[i - 1].type == r.type)) {
            dirs[0].keys.push_back(&r.type);
            dirs[0].children.push_back(dirs.size());
            typeDirs.push_back(dirs.size());
            dirs.emplace_back();
        }
    }
    for (std::size_t i = 0, t = 0; i < sorted.size(); ++i) {
        const Resource& r = sorted[i];
        if (i > 0 && !(sorted[i - 1].type == r.type)) ++t;
        if (i == 0 || !(sorted[i - 1].type == r.type) || !(sorted[i - 1].name == r.name)) {
            PlannedDirectory& typeDir = dirs[typeDirs[t]];
            typeDir.keys.push_back(&r.name);
            typeDir.children.push_back(dirs.size());
            dirs.emplace_back();
            dirs.back().leaves = true;
        }
        PlannedDirectory& nameDir = dirs.back();
        nameDir.keys.push_back(nullptr);
        nameDir.languages.push_back(r.language);
        nameDir.children.push_back(i);
    }

    // Offsets: directories, data entries, names, data.
    std::uint64_t at = 0;
    for (PlannedDirectory& d : dirs) {
        d.offset = static_cast<std::uint32_t>(at);
        for (const ResourceKey* k : d.keys) d.namedCount += k && !k->id;
        at += kDirectorySize + d.keys.size() * kEntrySize;
    }
    const std::uint64_t dataEntriesAt = at;
    at += sorted.size() * kDataEntrySize;
    std::vector<std::uint32_t> nameOffsets;  // per named key, in directory order
    for (const PlannedDirectory& d : dirs) {
        for (const ResourceKey* k : d.keys) {
            if (!k || k->id) continue;
            if (k->Name().size() > 0xFFFF) {
                error = "a resource name is longer than 65535 characters";
                return false;
            }
            nameOffsets.push_back(static_cast<std::uint32_t>(at));
            at += 2 + k->Name().size() * 2;
        }
    }
    std::vector<std::uint64_t> dataOffsets;
    for (const Resource& r : sorted) {
        at = AlignUp(at, kDataAlignment);
        dataOffsets.push_back(at);
        at += r.Size();
        if (r.Size() > 0xFFFFFFFFu || at > kMaxTreeSize) {
            error = "the resources are too large (1 GB at most)";
            return false;
        }
    }

    out.clear();
    streamed.clear();
    std::uint64_t streamedBytes = 0;
    for (const Resource& r : sorted) streamedBytes += r.stream ? r.Size() : 0;
    out.reserve(static_cast<std::size_t>(at - streamedBytes));
    std::size_t nextName = 0;
    for (const PlannedDirectory& d : dirs) {
        AppendLE32(out, 0);  // characteristics
        AppendLE32(out, 0);  // time stamp: none, so that the same input gives the same bytes
        AppendLE32(out, 0);  // major and minor version
        AppendLE16(out, static_cast<std::uint16_t>(d.namedCount));
        AppendLE16(out, static_cast<std::uint16_t>(d.keys.size() - d.namedCount));
        for (std::size_t e = 0; e < d.keys.size(); ++e) {
            const ResourceKey* k = d.keys[e];
            if (!k) AppendLE32(out, d.languages[e]);
            else if (k->id) AppendLE32(out, *k->id);
            else AppendLE32(out, nameOffsets[nextName++] | kHighBit);
            if (d.leaves) AppendLE32(out, static_cast<std::uint32_t>(dataEntriesAt + d.children[e] * kDataEntrySize));
            else AppendLE32(out, dirs[d.children[e]].offset | kHighBit);
        }
    }
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        AppendLE32(out, static_cast<std::uint32_t>(rva + dataOffsets[i]));
        AppendLE32(out, static_cast<std::uint32_t>(sorted[i].Size()));
        AppendLE32(out, sorted[i].codePage);
        AppendLE32(out, 0);
    }
    for (const PlannedDirectory& d : dirs) {
        for (const ResourceKey* k : d.keys) {
            if (!k || k->id) continue;
            AppendLE16(out, static_cast<std::uint16_t>(k->Name().size()));
            for (char16_t c : k->Name()) AppendLE16(out, static_cast<std::uint16_t>(c));
        }
    }
    std::uint64_t left = 0;  // streamed bytes before the current position
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        out.resize(static_cast<std::size_t>(dataOffsets[i] - left), 0);
        if (sorted[i].stream) {
            streamed.push_back({out.size(), &sorted[i]});
            left += sorted[i].Size();
        } else {
            out.insert(out.end(), sorted[i].data.begin(), sorted[i].data.end());
        }
    }
    return true;
}

}  // namespace resedit
