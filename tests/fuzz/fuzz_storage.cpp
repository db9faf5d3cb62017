// Feeds arbitrary bytes to the container reader: Open, then every reachable path
// through every getter and the chunked decoder with the empty and a wrong password,
// and the payload stream's records and decoder with the input as the carrying
// file. Besides crashes and sanitizer reports it checks that the reader and the
// chain index agree on whether a container is valid, that every path the index
// gives resolves (streamed nodes too, whose record is never read as data), that
// the chunked and the block decoding agree, that the reader keeps the stream's
// records the walk finds (the chunks record too), that a stream's chunks add up
// to it exactly, and that a stream that decodes delivered exactly its nodes' bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/UserMessages.h"
#include "storage/ContainerIndex.h"
#include "storage/PayloadStream.h"
#include "storage/Storage.h"

namespace {

class CollectingSink final : public storage::ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t count) override {
        bytes.insert(bytes.end(), data, data + count);
        return true;
    }
    std::vector<std::uint8_t> bytes;
};

void ReadEverything(storage::Storage& s, const std::string& path, std::string_view password) {
    std::int32_t value = 0;
    std::string text;
    storage::HeapBlock data;
    std::uint32_t size = 0;
    s.GetInteger(path, value, password);
    s.GetString(path, text, password);
    const bool read = s.GetBinary(path, data, size, password);
    if (read && size > 0) {
        // Touch both ends so that a short block shows up under the sanitizer.
        volatile std::uint8_t sink = data[0];
        sink = data[size - 1];
        (void)sink;
    }
    // The chunked decoder accepts exactly the nodes the block decoding accepts,
    // gives the same bytes, and as many as the node declares.
    std::uint32_t declared = 0;
    const bool sized = s.GetBinarySize(path, declared, password);
    CollectingSink streamed;
    const bool done = s.StreamBinary(path, streamed, password) == storage::StreamResult::Done;
    if (done != read) std::abort();
    if (read && (!sized || declared != size || streamed.bytes.size() != size ||
                 (size > 0 && std::memcmp(streamed.bytes.data(), data.get(), size) != 0))) {
        std::abort();
    }
}

class InputSource : public storage::StreamSource {
public:
    InputSource(const std::uint8_t* bytes, std::size_t length) : bytes_(bytes), length_(length) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        if (offset > length_ || length > length_ - offset) return false;
        std::memcpy(buffer, bytes_ + offset, length);
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t length_;
};

// Checks that the decoder keeps to the layout: nodes in order, each whole.
class CheckingSink : public storage::StreamSink {
public:
    explicit CheckingSink(const storage::PayloadStreamLayout& layout) : layout_(layout) {}
    bool BeginNode(const storage::StreamedNode& node) override {
        if (open_ || next_ >= layout_.nodes.size() || &node != &layout_.nodes[next_]) std::abort();
        open_ = true;
        got_ = 0;
        return true;
    }
    bool WriteNode(const std::uint8_t* bytes, std::size_t length) override {
        if (!open_ || length == 0 || length > layout_.nodes[next_].length - got_) std::abort();
        volatile std::uint8_t touch = bytes[length - 1];
        (void)touch;
        got_ += length;
        return true;
    }
    bool EndNode(const storage::StreamedNode& node) override {
        if (!open_ || &node != &layout_.nodes[next_] || got_ != node.length) std::abort();
        open_ = false;
        ++next_;
        return true;
    }
    bool AllDelivered() const { return !open_ && next_ == layout_.nodes.size(); }

private:
    const storage::PayloadStreamLayout& layout_;
    std::size_t next_ = 0;
    bool open_ = false;
    std::uint64_t got_ = 0;
};

// The fuzzer's inputs are small; a stream that claims more is not decoded, to keep runs quick.
constexpr std::uint64_t kMaxFuzzedDecodedSize = 16u << 20;

// A layout read whole has at least one chunk, and its chunks tile the stream.
bool ChunksTile(const storage::PayloadStreamLayout& layout) {
    std::uint64_t stored = 0, decoded = 0;
    for (std::uint32_t k = 0; k < layout.chunkCount; ++k) {
        const storage::PayloadChunk chunk = storage::ChunkAt(layout, k);
        if (chunk.storedLength < storage::kLzmaPropertiesSize) return false;
        stored += chunk.storedLength;
        decoded += chunk.decodedSize;
    }
    return layout.chunkCount != 0 && stored == layout.storedLength && decoded == layout.decodedSize;
}

void DecodeStream(const std::uint8_t* bytes, std::size_t length) {
    storage::PayloadStreamLayout layout;
    if (storage::ReadStreamLayout(bytes, length, length, layout) != storage::PayloadStreamResult::Ok || !layout.present) {
        return;
    }
    if (!ChunksTile(layout)) std::abort();
    if (layout.decodedSize > kMaxFuzzedDecodedSize) return;
    InputSource source(bytes, length);
    CheckingSink sink(layout);
    if (storage::DecodePayloadStream(layout, source, sink) == storage::PayloadStreamResult::Ok && !sink.AllDelivered()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    framework::SetMessageSink([](std::string_view, framework::MessageIcon) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t length) {
    storage::ContainerIndex index;
    const bool indexed = index.Load(bytes, length) == storage::WalkResult::Ok;

    storage::Storage s;
    const bool opened = s.OpenBytes(bytes, length);
    if (opened != indexed) std::abort();
    if (!opened) return 0;

    for (const auto& entry : index.Entries()) {
        if (!entry.path) continue;
        ReadEverything(s, *entry.path, "");
        ReadEverything(s, *entry.path, "wrong");
        if (s.LastError() == "Path invalid.") std::abort();  // the index and the reader disagree
        ReadEverything(s, *entry.path + ".", "");
        std::uint32_t size = 0;
        storage::ContainerIndex::Decode(entry, "", size);
        // A streamed node's record is never handed out as its data.
        std::uint32_t recordOffset = 0;
        storage::HeapBlock data;
        if (s.StreamedRecordOffset(*entry.path, recordOffset) && s.GetBinary(*entry.path, data, size, "")) std::abort();
    }
    ReadEverything(s, "", "");
    DecodeStream(bytes, length);
    // The stream's records the reader keeps are the ones the walk finds.
    storage::PayloadStreamLayout kept;
    storage::PayloadStreamLayout walked;
    if (storage::ReadStreamLayout(s.StreamRecords(), length, kept) !=
            storage::ReadStreamLayout(bytes, length, length, walked) ||
        kept.nodes.size() != walked.nodes.size() || kept.chunkCount != walked.chunkCount) {
        std::abort();
    }
    return 0;
}
