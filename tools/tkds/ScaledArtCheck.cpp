#include "tools/tkds/ScaledArtCheck.h"

#include <charconv>
#include <span>
#include <unordered_map>

#include "imaging/ScaledArt.h"
#include "tools/tkds/ManifestBuilder.h"
#ifdef TKDS_HAVE_PNG
#include "tools/tkds/PngFile.h"
#endif

namespace tkds {

namespace {

using storage::NodeType;

// What a node below "Scales.<percent>." is, by its 100 % path.
enum class Role { Folder, BackgroundSize, Background, ButtonInteger, ButtonStrip, CellPicture, Unchecked };

int CellCount(std::string_view path) {
    for (const imaging::CellPicture& picture : imaging::kCellPictures) {
        if (picture.path == path) return picture.cells;
    }
    return 0;
}

Role RoleOf(std::span<const std::string> path) {
    const std::size_t n = path.size();
    if (path[0] == "Backgrounds") {
        if (n == 1 || (n == 2 && path[1] == "Sizes")) return Role::Folder;
        if (n == 3 && path[1] == "Sizes" && path[2].size() > 1 && (path[2].back() == 'x' || path[2].back() == 'y'))
            return Role::BackgroundSize;
        if (n == 2) return Role::Background;
    } else if (path[0] == "Controls") {
        if (n == 1 || (path[1] == "MaskedButtons" && n <= 3)) return Role::Folder;
        if (n == 4 && path[1] == "MaskedButtons") {
            if (path[3] == "RGBA") return Role::ButtonStrip;
            if (path[3] == "Width" || path[3] == "CtrlWidth" || path[3] == "Height" || path[3] == "States")
                return Role::ButtonInteger;
        }
    } else if (n == 1 && CellCount(path[0]) != 0) {
        return Role::CellPicture;
    }
    return Role::Unchecked;
}

std::string Join(std::span<const std::string> segments) {
    std::string path;
    for (const std::string& segment : segments) path += (path.empty() ? "" : ".") + segment;
    return path;
}

std::string SizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

class Checker {
public:
    Checker(const std::vector<ManifestEntry>& entries, const std::string& baseDir, std::vector<ManifestError>& errors)
        : baseDir_(baseDir), errors_(errors) {
        for (const ManifestEntry& entry : entries) byPath_.emplace(entry.path, &entry);
    }

    void Check(const ManifestEntry& entry) {
        const std::vector<std::string>& segments = entry.segments;
        if (segments.size() == 1) {
            if (entry.type != NodeType::Folder) Fail(entry, "the folder of the scaled art must be a Folder");
            return;
        }
        const std::string& scale = segments[1];
        const char* end = scale.data() + scale.size();
        const auto parsed = std::from_chars(scale.data(), end, percent_);
        if (parsed.ec != std::errc() || parsed.ptr != end || std::to_string(percent_) != scale ||
            percent_ <= imaging::kBaseScale || percent_ > imaging::kLargestWindowScale) {
            Fail(entry, "'" + scale + "' is not a scale: give a whole percent from 101 to " +
                            std::to_string(imaging::kLargestWindowScale));
            return;
        }
        if (segments.size() == 2) {
            if (entry.type != NodeType::Folder) Fail(entry, "the folder of a scale must be a Folder");
            return;
        }
        const std::span<const std::string> path(segments.begin() + 2, segments.end());
        const std::string basePath = Join(path);
        const ManifestEntry* base = Find(basePath);
        const Role role = RoleOf(path);
        if (!base) {
            Fail(entry, "the skin has no node '" + basePath + "' at 100 %");
        } else if (role == Role::Unchecked) {
            Fail(entry, "'" + basePath + "' is not a picture of the skin, its sizes or their folder; "
                        "tkds takes nothing else at a scale");
        } else if (entry.type != base->type || entry.convert != base->convert) {
            Fail(entry, "not of the type and conversion of '" + basePath + "' (line " + std::to_string(base->line) +
                            "): a scaled node has the 100 % node's");
        } else {
            CheckSize(entry, path, role);
        }
    }

private:
    const ManifestEntry* Find(const std::string& path) const {
        const auto found = byPath_.find(path);
        return found == byPath_.end() ? nullptr : found->second;
    }

    void Fail(const ManifestEntry& entry, const std::string& reason) {
        errors_.push_back({entry.line, entry.path + ": " + reason});
    }

    int Scaled(int length) const { return imaging::ScaledLength(length, percent_); }

    // The value of the 100 % Integer at path; false after saying what is missing.
    bool BaseInteger(const ManifestEntry& entry, const std::string& path, int& value) {
        const ManifestEntry* base = Find(path);
        if (!base || base->type != NodeType::Integer || !base->value) {
            Fail(entry, "a scaled picture is checked against the skin's Integer '" + path + "', which is missing");
            return false;
        }
        std::from_chars(base->value->data(), base->value->data() + base->value->size(), value);
        return true;
    }

    // A picture comes with the scaled Integers that describe it.
    bool HasScaled(const ManifestEntry& entry, const std::string& path) {
        if (Find(imaging::ScaledArtPath(percent_, path))) return true;
        Fail(entry, "needs '" + imaging::ScaledArtPath(percent_, path) + "' beside it");
        return false;
    }

    void ExpectValue(const ManifestEntry& entry, int expected, const std::string& rule) {
        int found = 0;
        std::from_chars(entry.value->data(), entry.value->data() + entry.value->size(), found);
        if (found != expected) {
            Fail(entry, "the value is " + std::to_string(found) + "; at " + std::to_string(percent_) +
                            " % it must be " + std::to_string(expected) + " (" + rule + ")");
        }
    }

    bool PictureSize(const ManifestEntry& entry, int& width, int& height) {
        if (!entry.file || !entry.convert) {
            Fail(entry, "a picture of the skin is checked from its PNG file: give file= and convert=");
            return false;
        }
#ifdef TKDS_HAVE_PNG
        RgbaImage image;
        std::string error;
        const std::string file = ResolveFile(baseDir_, *entry.file);
        if (!ReadPng(file, image, error)) {
            Fail(entry, file + ": " + error);
            return false;
        }
        width = static_cast<int>(image.width);
        height = static_cast<int>(image.height);
        return true;
#else
        (void)width, (void)height;
        Fail(entry, kNoPngMessage);
        return false;
#endif
    }

    void ExpectPicture(const ManifestEntry& entry, int width, int height, const std::string& rule) {
        int foundWidth = 0;
        int foundHeight = 0;
        if (!PictureSize(entry, foundWidth, foundHeight)) return;
        if (foundWidth != width || foundHeight != height) {
            Fail(entry, *entry.file + " is " + SizeText(foundWidth, foundHeight) + "; at " + std::to_string(percent_) +
                            " % it must be " + SizeText(width, height) + " (" + rule + ")");
        }
    }

    void CheckSize(const ManifestEntry& entry, std::span<const std::string> path, Role role) {
        switch (role) {
        case Role::BackgroundSize: {
            int value = 0;
            if (BaseInteger(entry, Join(path), value))
                ExpectValue(entry, Scaled(value), "the 100 % value " + std::to_string(value) + " scaled");
            break;
        }
        case Role::Background: {
            const std::string sizes = "Backgrounds.Sizes." + path[1];
            int width = 0;
            int height = 0;
            if (BaseInteger(entry, sizes + "x", width) && BaseInteger(entry, sizes + "y", height) &&
                HasScaled(entry, sizes + "x") && HasScaled(entry, sizes + "y")) {
                ExpectPicture(entry, Scaled(width), Scaled(height), "the 100 % size " + SizeText(width, height) + " scaled");
            }
            break;
        }
        case Role::ButtonInteger:
        case Role::ButtonStrip: {
            const std::string button = Join(path.first(3)) + ".";
            int width = 0;
            int cellWidth = 0;
            int height = 0;
            int states = 0;
            if (!BaseInteger(entry, button + "Width", width) || !BaseInteger(entry, button + "CtrlWidth", cellWidth) ||
                !BaseInteger(entry, button + "Height", height) || !BaseInteger(entry, button + "States", states)) {
                break;
            }
            const int cells = cellWidth > 0 ? width / cellWidth : 0;
            const std::string& field = path[3];
            if (field == "Width") {
                ExpectValue(entry, cells * Scaled(cellWidth), std::to_string(cells) + " cells of the scaled CtrlWidth");
            } else if (field == "CtrlWidth" || field == "Height") {
                const int value = field == "Height" ? height : cellWidth;
                ExpectValue(entry, Scaled(value), "the 100 % value " + std::to_string(value) + " scaled");
            } else if (field == "States") {
                ExpectValue(entry, states, "the 100 % value");
            } else if (HasScaled(entry, button + "Width") && HasScaled(entry, button + "CtrlWidth") &&
                       HasScaled(entry, button + "Height") && HasScaled(entry, button + "States")) {
                ExpectPicture(entry, cells * Scaled(cellWidth), Scaled(height),
                              std::to_string(cells) + " cells of " + SizeText(cellWidth, height) + " scaled");
            }
            break;
        }
        case Role::CellPicture: {
            const ManifestEntry& base = *Find(path[0]);
            const int cells = CellCount(path[0]);
            int width = 0;
            int height = 0;
            if (!PictureSize(base, width, height)) break;
            if (width % cells != 0) {
                Fail(entry, "the 100 % picture is " + SizeText(width, height) + ", not " + std::to_string(cells) +
                                " cells of one width");
                break;
            }
            ExpectPicture(entry, cells * Scaled(width / cells), Scaled(height),
                          std::to_string(cells) + " cells of " + SizeText(width / cells, height) + " scaled");
            break;
        }
        case Role::Folder:
        case Role::Unchecked:
            break;
        }
    }

    const std::string& baseDir_;
    std::vector<ManifestError>& errors_;
    std::unordered_map<std::string, const ManifestEntry*> byPath_;
    int percent_ = 0;
};

}  // namespace

bool CheckScaledArt(const std::vector<ManifestEntry>& entries, const std::string& baseDir,
                    std::vector<ManifestError>& errors) {
    const std::size_t before = errors.size();
    Checker checker(entries, baseDir, errors);
    for (const ManifestEntry& entry : entries) {
        if (!entry.tree && entry.segments.front() == imaging::kScaledArtRoot) checker.Check(entry);
    }
    return errors.size() == before;
}

}  // namespace tkds
