// Feeds arbitrary bytes to the container reader: Open, then every reachable path
// through every getter and the chunked decoder with the empty and a wrong password.
// Besides crashes and sanitizer reports it checks that the reader and the chain
// index agree on whether a container is valid, that every path the index gives
// resolves, and that the chunked and the block decoding agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/UserMessages.h"
#include "storage/ContainerIndex.h"
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
    }
    ReadEverything(s, "", "");
    return 0;
}
