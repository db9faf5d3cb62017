// Reads a PE32 or PE32+ file and its resource tree, edits the resources and
// writes the file back with a newly laid-out resource section. Host side only:
// tkds uses it to turn a setup stub into a branded setup.exe.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/ByteStreams.h"

namespace resedit {

// A resource type or name: a number or a UTF-16 name. PE order: named entries first
// (by name, ordinal compare of the UTF-16 units), then numbered entries ascending.
struct ResourceKey {
    std::optional<std::uint16_t> id;   // set for a numbered key
    // The name, used when id is empty. Copies of a key share it: every resource
    // read under one named directory entry holds the same string, so a tree with
    // many leaves under a long name costs its bytes once.
    std::shared_ptr<const std::u16string> sharedName;
    std::u16string_view Name() const noexcept { return sharedName ? std::u16string_view(*sharedName) : u""; }
    static ResourceKey Number(std::uint16_t id);
    static ResourceKey Named(std::u16string_view name);   // callers pass upper case ("STORAGE")
    static ResourceKey Named(std::shared_ptr<const std::u16string> name);
    friend std::strong_ordering operator<=>(const ResourceKey&, const ResourceKey&);
    friend bool operator==(const ResourceKey& a, const ResourceKey& b) {
        return a.id == b.id && (a.sharedName == b.sharedName || a.Name() == b.Name());
    }
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    std::uint16_t language = 0;
    std::uint32_t codePage = 0;
    std::vector<std::uint8_t> data;
    // When set, the data is not held in memory: Write reads it from here (once,
    // front to back, exactly its Size() bytes) and data stays empty.
    storage::ByteSource* stream = nullptr;
    std::uint64_t Size() const { return stream ? stream->Size() : data.size(); }
    friend bool operator==(const Resource&, const Resource&) = default;
};

// The resources of a PE file that is only read, never rewritten, such as a made
// setup program with its payload stream and signature after the image. False
// with a one-line reason.
bool ReadPeResources(std::span<const std::uint8_t> bytes, std::vector<Resource>& resources, std::string& error);

class PeFile {
public:
    // Reads a whole PE32 or PE32+ file and its resource tree. False with a one-line reason
    // for anything it cannot rewrite safely (not a PE file, truncated or inconsistent
    // headers, a resource tree out of bounds or with loops, data after the image such as a
    // signature: "sign after make, never before").
    static bool Parse(std::span<const std::uint8_t> bytes, PeFile& out, std::string& error);
    bool IsPe32Plus() const;
    std::uint16_t Machine() const;                  // IMAGE_FILE_MACHINE_I386 / _AMD64
    const std::vector<Resource>& Resources() const; // sorted by (type, name, language)
    const Resource* Find(const ResourceKey& type, const ResourceKey& name, std::uint16_t language) const;
    // Adds the resource, or replaces the one with the same type, name and language.
    void SetResource(Resource resource);
    // Removes every language of (type, name); returns how many were removed.
    std::size_t RemoveResource(const ResourceKey& type, const ResourceKey& name);
    // Removes every resource of the type; returns how many were removed.
    std::size_t RemoveType(const ResourceKey& type);
    // The file with a newly laid-out resource section (sorted tree, deterministic bytes) and
    // everything that depends on it fixed: resource data directory, section table,
    // SizeOfImage, SizeOfInitializedData, following sections, PE checksum. The result
    // is read back as a check; no resource may be streamed.
    bool Write(std::vector<std::uint8_t>& out, std::string& error) const;
    // The same bytes written into sink as they are made, streamed resources read as
    // they are reached, and the checksum patched in at the end: a resource of any size
    // costs no memory. Can be called once when a resource is streamed.
    bool Write(storage::PatchableSink& sink, std::string& error) const;

private:
    std::vector<std::uint8_t> image_;   // the file as read
    std::vector<Resource> resources_;   // kept sorted by (type, name, language)
    bool pe32Plus_ = false;
    std::uint16_t machine_ = 0;
};

}  // namespace resedit
