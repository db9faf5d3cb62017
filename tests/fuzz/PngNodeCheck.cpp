// The bytes go into an in-memory file (memfd) that ReadPng opens by its /proc
// path, so the tool's own file reading is what runs.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "imaging/ImageRecord.h"
#include "storage/ContainerWriter.h"
#include "storage/NodeData.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tools/tkds/PixelConversions.h"
#include "tools/tkds/PngFile.h"

namespace fuzz {

namespace {

// Encoding and decoding a node is checked for pictures up to this size; larger
// ones would only slow the fuzzer down.
constexpr std::size_t kMaxNodeCheckBytes = 1 << 20;

class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("png-input", 0)) {}
    ~MemoryFile() {
        if (fd_ >= 0) close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool Write(const std::uint8_t* bytes, std::size_t length) {
        if (fd_ < 0 || ftruncate(fd_, 0) != 0) return false;
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = pwrite(fd_, bytes + done, length - done, static_cast<off_t>(done));
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

std::string CheckConversions(const tkds::RgbaImage& image) {
    const std::size_t pixels = std::size_t{image.width} * image.height;
    if (image.width == 0 || image.height == 0 || image.pixels.size() != pixels * 4)
        return "ReadPng gave a picture whose pixels do not fit its size";

    const auto rgb = tkds::ConvertPixels(image, tkds::PixelLayout::Rgb);
    if (rgb.size() != pixels * 3) return "rgb: wrong size";
    const auto rgbaT = tkds::ConvertPixels(image, tkds::PixelLayout::RgbaT);
    if (rgbaT.size() != pixels * 4) return "rgba-t: wrong size";
    for (std::size_t i = 0; i < pixels; ++i) {
        if (rgbaT[i * 4 + 3] != 255 - image.pixels[i * 4 + 3]) return "rgba-t: T is not 255 - alpha";
    }
    const auto record = tkds::ConvertPixels(image, tkds::PixelLayout::DibRecord);
    imaging::ImageRecordHeader header;
    if (!imaging::ParseImageRecord(record.data(), record.size(), header))
        return "dib24: the record does not read back";
    if (static_cast<std::uint32_t>(header.width) != image.width ||
        static_cast<std::uint32_t>(header.height) != image.height || header.hasAlpha)
        return "dib24: the record's header is not the picture's";
    // Bottom row first, blue-green-red: the record's first pixel is the bottom-left one.
    const std::uint8_t* bottomLeft = image.pixels.data() + (pixels - image.width) * 4;
    if (header.pixels[0] != bottomLeft[2] || header.pixels[1] != bottomLeft[1] || header.pixels[2] != bottomLeft[0])
        return "dib24: the first stored pixel is not the bottom-left one";

    if (record.size() <= kMaxNodeCheckBytes) {
        std::vector<std::uint8_t> stored;
        std::string error;
        if (!storage::EncodeNodeData(record, true, nullptr, stored, error)) return "the node could not be encoded";
        std::uint32_t size = 0;
        const storage::HeapBlock decoded =
            storage::DecodeStoredData(stored.data(), static_cast<std::uint32_t>(stored.size()), 0, 1, "", size);
        if (!decoded || size != record.size() || std::memcmp(decoded.get(), record.data(), size) != 0)
            return "the node does not decode to its record";
    }
    return {};
}

}  // namespace

PngOutcome CheckPngNode(const std::uint8_t* bytes, std::size_t length) {
    PngOutcome outcome;
    static MemoryFile file;
    if (!file.Write(bytes, length)) {
        outcome.broken = "cannot write the in-memory file";
        return outcome;
    }
    tkds::RgbaImage image;
    outcome.read = tkds::ReadPng(file.Path(), image, outcome.error);
    if (!outcome.read) {
        if (outcome.error.empty()) outcome.broken = "ReadPng failed without a reason";
        else if (!image.pixels.empty()) outcome.broken = "a failed read left a picture";
        return outcome;
    }
    outcome.width = image.width;
    outcome.height = image.height;
    outcome.broken = CheckConversions(image);
    return outcome;
}

}  // namespace fuzz
