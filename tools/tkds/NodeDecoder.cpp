#include "tools/tkds/NodeDecoder.h"

#include <charconv>

#include "storage/ContainerFormat.h"
#include "storage/NodeData.h"

namespace tkds {

bool DecodeLimitFrom(const ParsedArgs& parsed, std::uint64_t& bytes, std::string& error) {
    std::uint64_t megabytes = kDefaultDecodeLimitMegabytes;
    if (parsed.Has(kDecodeLimitOption.name)) {
        const std::string text = parsed.Value(kDecodeLimitOption.name);
        const char* end = text.data() + text.size();
        const auto [stop, ec] = std::from_chars(text.data(), end, megabytes);
        if (text.empty() || ec != std::errc() || stop != end || megabytes == 0 ||
            megabytes > kMaxDecodeLimitMegabytes) {
            error = "--max-decoded needs a whole number of megabytes from 1 to " +
                    std::to_string(kMaxDecodeLimitMegabytes) + ", found '" + text + "'";
            return false;
        }
    }
    bytes = megabytes << 20;
    return true;
}

std::string DecodeLimitMessage(const storage::DecodeBudget& budget) {
    return "decoding stopped at the limit of " + std::to_string(budget.Limit() >> 20) +
           " MB of decoded data (--max-decoded MB raises it)";
}

bool NodeDecoder::Charge(const storage::ContainerIndex::Entry& entry) {
    const storage::ChainRecord& r = entry.record;
    if (r.kind != storage::kNodeRecordKind) return true;
    const auto declared = storage::DeclaredDecodedSize(r.data, r.storedSize, r.enciphered, r.compressed, password_);
    return !declared || budget_.Take(*declared);
}

storage::HeapBlock NodeDecoder::Decode(const storage::ContainerIndex::Entry& entry, std::uint32_t& size) {
    if (!Charge(entry)) return {};
    return storage::ContainerIndex::Decode(entry, password_, size);
}

namespace {

// Sends the bytes of one streamed node to a sink and lets the others pass.
class KeepingSink : public storage::StreamSink {
public:
    KeepingSink(const storage::StreamedNode* keep, storage::PatchableSink* kept, std::string& error)
        : keep_(keep), kept_(kept), error_(error) {}
    bool BeginNode(const storage::StreamedNode& node) override {
        keeping_ = keep_ && kept_ && node.recordOffset == keep_->recordOffset;
        return true;
    }
    bool WriteNode(const std::uint8_t* bytes, std::size_t length) override {
        return !keeping_ || kept_->Write({bytes, length}, error_);
    }
    bool EndNode(const storage::StreamedNode&) override {
        keeping_ = false;
        return true;
    }

private:
    const storage::StreamedNode* keep_;
    storage::PatchableSink* kept_;
    std::string& error_;
    bool keeping_ = false;
};

}  // namespace

storage::PayloadStreamResult NodeDecoder::DecodeStream(const LoadedContainer& container, const storage::StreamedNode* keep,
                                                storage::PatchableSink* kept, std::string& keptError) {
    if (!keep && stream_) return *stream_;
    if (!budget_.Take(container.Stream().decodedSize)) return storage::PayloadStreamResult::OutOfMemory;
    KeepingSink sink(keep, kept, keptError);
    const storage::PayloadStreamResult result = container.DecodeStream(sink);
    if (!keep) stream_ = result;
    return result;
}

std::optional<std::uint32_t> NodeDecoder::DecodedSize(const storage::ContainerIndex::Entry& entry) {
    const storage::ChainRecord& r = entry.record;
    const StreamKey key{r.data, r.storedSize, r.enciphered != 0, r.compressed != 0};
    if (const auto known = decoded_.find(key); known != decoded_.end()) return known->second;
    std::uint32_t size = 0;
    if (!Decode(entry, size)) {
        // Over the budget is no answer about the node: it stays unknown.
        if (budget_.Exceeded()) return std::nullopt;
        decoded_.emplace(key, std::nullopt);
        return std::nullopt;
    }
    decoded_.emplace(key, size);
    return size;
}

}  // namespace tkds
