#include "storage/PayloadStream.h"

#include <algorithm>
#include <cstdlib>

#include "storage/Crc32.h"
#include "storage/Sha256.h"

// The LZMA SDK's types header brings in <windows.h> on Windows for a type the
// decoder does not use; this portable file must not see it.
#pragma push_macro("_WIN32")
#undef _WIN32
#include <LzmaDec.h>
#pragma pop_macro("_WIN32")

namespace storage {

namespace {

constexpr std::size_t kInputBufferSize = 64 * 1024;

bool HasNoFlags(const ChainRecord& r) noexcept { return r.enciphered == 0 && r.compressed == 0; }

PayloadStreamResult ReadStreamRecord(const ChainRecord& r, std::uint64_t fileSize, PayloadStreamLayout& layout) {
    if (layout.present || !r.data || r.storedSize != kStreamRecordDataSize || !HasNoFlags(r)) {
        return PayloadStreamResult::Malformed;
    }
    layout.present = true;
    layout.fileOffset = LoadLE64(r.data + kStreamFileOffsetAt);
    layout.storedLength = LoadLE64(r.data + kStreamStoredLengthAt);
    layout.decodedSize = LoadLE64(r.data + kStreamDecodedSizeAt);
    layout.crc32 = LoadLE32(r.data + kStreamCrcAt);
    std::copy_n(r.data + kStreamSha256At, kSha256Size, layout.sha256.begin());
    if (layout.storedLength < kLzmaPropertiesSize || layout.decodedSize > kMaxStreamDecodedSize) {
        return PayloadStreamResult::Malformed;
    }
    // A stream that would end past the file's end: the file was cut short.
    if (layout.fileOffset > fileSize || layout.storedLength > fileSize - layout.fileOffset) {
        return PayloadStreamResult::ReadFailed;
    }
    return PayloadStreamResult::Ok;
}

PayloadStreamResult ReadStreamedNode(const ChainRecord& r, PayloadStreamLayout& layout, std::uint64_t& tiled) {
    if (!r.data || r.storedSize != kStreamedNodeDataSize || !HasNoFlags(r) ||
        r.type != static_cast<std::uint8_t>(NodeType::Binary)) {
        return PayloadStreamResult::Malformed;
    }
    StreamedNode node;
    node.id = r.id;
    node.parentId = r.parentId;
    node.name = r.name;
    node.recordOffset = r.recordOffset;
    node.streamOffset = LoadLE64(r.data + kStreamedNodeOffsetAt);
    node.length = LoadLE64(r.data + kStreamedNodeLengthAt);
    // Each node starts where the one before it ended; the running end stays
    // below the cap, so the sum cannot overflow.
    if (node.streamOffset != tiled || node.length > kMaxStreamDecodedSize - tiled) return PayloadStreamResult::Malformed;
    tiled += node.length;
    layout.nodes.push_back(node);
    return PayloadStreamResult::Ok;
}

// The chunks record: its size exactly that of its count, at least one; its
// entries are checked against the stream record once the whole chain is read.
PayloadStreamResult ReadChunks(const ChainRecord& r, PayloadStreamLayout& layout) {
    if (layout.chunkEntries || !r.data || r.storedSize < kChunksCountSize || !HasNoFlags(r)) {
        return PayloadStreamResult::Malformed;
    }
    layout.chunkCount = LoadLE32(r.data);
    layout.chunkEntries = r.data + kChunksCountSize;
    const bool sized = r.storedSize == kChunksCountSize + std::uint64_t{kChunkEntrySize} * layout.chunkCount;
    return layout.chunkCount != 0 && sized ? PayloadStreamResult::Ok : PayloadStreamResult::Malformed;
}

// Takes one record of the chain into the layout; records of other kinds change nothing.
PayloadStreamResult AddStreamRecord(const ChainRecord& r, std::uint64_t fileSize, PayloadStreamLayout& layout,
                             std::uint64_t& tiled) {
    if (r.kind == kStreamRecordKind) return ReadStreamRecord(r, fileSize, layout);
    if (r.kind == kStreamedNodeRecordKind) return ReadStreamedNode(r, layout, tiled);
    if (r.kind == kChunksRecordKind) return ReadChunks(r, layout);
    return PayloadStreamResult::Ok;
}

// A stream exactly when streamed nodes, which tile all of it; chunks only with a
// stream, each with its properties and a byte at least, adding up to it exactly
// (each part is checked against what is left of the stream before it is added,
// so no sum overflows).
PayloadStreamResult FinishLayout(const PayloadStreamLayout& layout, std::uint64_t tiled) {
    if (layout.present != !layout.nodes.empty() || tiled != layout.decodedSize) return PayloadStreamResult::Malformed;
    if (!layout.chunkEntries) return PayloadStreamResult::Ok;  // one chunk: the stream itself
    if (!layout.present) return PayloadStreamResult::Malformed;
    std::uint64_t stored = 0, decoded = 0;
    for (std::uint32_t k = 0; k < layout.chunkCount; ++k) {
        const PayloadChunk chunk = ChunkAt(layout, k);
        if (chunk.storedLength < kLzmaPropertiesSize || chunk.decodedSize == 0 ||
            chunk.storedLength > layout.storedLength - stored || chunk.decodedSize > layout.decodedSize - decoded) {
            return PayloadStreamResult::Malformed;
        }
        stored += chunk.storedLength;
        decoded += chunk.decodedSize;
    }
    return stored == layout.storedLength && decoded == layout.decodedSize ? PayloadStreamResult::Ok
                                                                          : PayloadStreamResult::Malformed;
}

void* AllocateForLzma(void*, size_t size) { return std::malloc(size); }
void FreeForLzma(void*, void* address) { std::free(address); }
ISzAlloc lzmaAllocator = {AllocateForLzma, FreeForLzma};

// Hands decoded bytes to the sink, cutting them at the nodes' boundaries.
class NodeCutter {
public:
    NodeCutter(const std::vector<StreamedNode>& nodes, StreamSink& sink) : nodes_(nodes), sink_(sink) {}

    bool Deliver(const std::uint8_t* bytes, std::size_t length) {
        while (length != 0) {
            if (!CloseFinished()) return false;
            if (!open_) {
                if (next_ == nodes_.size() || !sink_.BeginNode(nodes_[next_])) return false;
                open_ = true;
                left_ = nodes_[next_].length;
                continue;
            }
            const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(left_, length));
            if (!sink_.WriteNode(bytes, part)) return false;
            bytes += part;
            length -= part;
            left_ -= part;
        }
        return true;
    }

    // Ends the last node and passes the empty ones after it; false if a node is short.
    bool Finish() { return CloseFinished() && !open_ && next_ == nodes_.size(); }

private:
    // Ends the open node when all its bytes are out, then passes empty nodes.
    bool CloseFinished() {
        if (open_ && left_ == 0) {
            if (!sink_.EndNode(nodes_[next_])) return false;
            open_ = false;
            ++next_;
        }
        while (!open_ && next_ < nodes_.size() && nodes_[next_].length == 0) {
            if (!sink_.BeginNode(nodes_[next_]) || !sink_.EndNode(nodes_[next_])) return false;
            ++next_;
        }
        return true;
    }

    const std::vector<StreamedNode>& nodes_;
    StreamSink& sink_;
    std::size_t next_ = 0;    // the open node, or the next to open
    bool open_ = false;
    std::uint64_t left_ = 0;  // bytes of the open node still to come
};

// The decoder's state and buffers, released on every way out.
struct LzmaState {
    CLzmaDec decoder;
    Byte* input = nullptr;
    LzmaState() {
        LzmaDec_Construct(&decoder);
        decoder.dicBufSize = 0;  // the window comes with the first chunk
    }
    ~LzmaState() {
        std::free(decoder.dic);
        LzmaDec_FreeProbs(&decoder, &lzmaAllocator);
        std::free(input);
    }
    LzmaState(const LzmaState&) = delete;
    LzmaState& operator=(const LzmaState&) = delete;
};

// Decodes the chunks of a stream one after another through one decoder and one
// window, carrying the node cuts, the CRC-32 and the digest from chunk to chunk.
struct ChunkDecoder {
    LzmaState& state;
    StreamSource& source;
    NodeCutter cutter;
    // The bytes decoded are hashed again: a file held against writers may still
    // change through a writable view mapped before it was opened, so the stream
    // must also be the one checked when the last byte is out.
    Sha256Hasher hasher;
    std::uint32_t crc = 0;

    // The window grows to what a chunk needs: nothing reaches back further than
    // the chunk's decoded size, so a larger dictionary than that is never
    // filled; a smaller one is never asked for by the data. Probabilities are
    // reallocated only when another chunk's lc and lp need more.
    PayloadStreamResult Prepare(const PayloadChunk& chunk, std::uint64_t at) {
        Byte properties[kLzmaPropertiesSize];
        if (!source.ReadAt(at, properties, sizeof properties)) return PayloadStreamResult::ReadFailed;
        hasher.Add({properties, sizeof properties});
        CLzmaProps decoded;
        if (LzmaProps_Decode(&decoded, properties, sizeof properties) != SZ_OK ||
            decoded.dicSize > kMaxStreamDictionary) {
            return PayloadStreamResult::Unsupported;
        }
        const SRes allocated = LzmaDec_AllocateProbs(&state.decoder, properties, sizeof properties, &lzmaAllocator);
        if (allocated == SZ_ERROR_UNSUPPORTED) return PayloadStreamResult::Unsupported;
        if (allocated != SZ_OK) return PayloadStreamResult::OutOfMemory;
        const auto window = static_cast<SizeT>(
            std::max<std::uint64_t>(1, std::min<std::uint64_t>(decoded.dicSize, chunk.decodedSize)));
        if (window > state.decoder.dicBufSize) {
            std::free(state.decoder.dic);
            state.decoder.dic = static_cast<Byte*>(std::malloc(window));
            state.decoder.dicBufSize = state.decoder.dic ? window : 0;
            if (!state.decoder.dic) return PayloadStreamResult::OutOfMemory;
        }
        LzmaDec_Init(&state.decoder);
        return PayloadStreamResult::Ok;
    }

    // One chunk from its properties at the absolute offset at to its last byte.
    PayloadStreamResult Decode(const PayloadChunk& chunk, std::uint64_t at) {
        if (const PayloadStreamResult prepared = Prepare(chunk, at); prepared != PayloadStreamResult::Ok) return prepared;
        std::uint64_t produced = 0;
        std::uint64_t readPosition = at + kLzmaPropertiesSize;
        const std::uint64_t inputEnd = at + chunk.storedLength;
        std::size_t inputAt = 0;
        std::size_t inputHave = 0;
        while (true) {
            if (inputAt == inputHave && readPosition < inputEnd) {
                inputHave = static_cast<std::size_t>(std::min<std::uint64_t>(kInputBufferSize, inputEnd - readPosition));
                if (!source.ReadAt(readPosition, state.input, inputHave)) return PayloadStreamResult::ReadFailed;
                hasher.Add({state.input, inputHave});
                readPosition += inputHave;
                inputAt = 0;
            }
            CLzmaDec& d = state.decoder;
            if (d.dicPos == d.dicBufSize) d.dicPos = 0;
            const SizeT start = d.dicPos;
            const SizeT limit =
                static_cast<SizeT>(start + std::min<std::uint64_t>(d.dicBufSize - start, chunk.decodedSize - produced));
            const bool last = produced + (limit - start) == chunk.decodedSize;
            SizeT consumed = inputHave - inputAt;
            ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
            const SRes rc = LzmaDec_DecodeToDic(&d, limit, state.input + inputAt, &consumed,
                                                last ? LZMA_FINISH_END : LZMA_FINISH_ANY, &status);
            inputAt += consumed;
            const SizeT made = d.dicPos - start;
            if (made) {
                crc = Crc32(crc, d.dic + start, made);
                if (!cutter.Deliver(d.dic + start, made)) return PayloadStreamResult::SinkFailed;
                produced += made;
            }
            if (rc != SZ_OK) return PayloadStreamResult::CorruptData;
            const bool inputDone = inputAt == inputHave && readPosition == inputEnd;
            if (produced == chunk.decodedSize &&
                (status == LZMA_STATUS_FINISHED_WITH_MARK || status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK)) {
                // Bytes after the chunk's end belong to no node: a stream with them is not the one written.
                return inputDone ? PayloadStreamResult::Ok : PayloadStreamResult::CorruptData;
            }
            if (status == LZMA_STATUS_FINISHED_WITH_MARK) return PayloadStreamResult::WrongSize;  // ended early
            if (consumed == 0 && made == 0 && inputDone) return PayloadStreamResult::WrongSize;   // ran out of data
        }
    }
};

}  // namespace

PayloadChunk ChunkAt(const PayloadStreamLayout& layout, std::uint32_t k) noexcept {
    if (!layout.chunkEntries) return {layout.storedLength, layout.decodedSize};
    const std::uint8_t* entry = layout.chunkEntries + kChunkEntrySize * k;
    return {LoadLE64(entry + kChunkStoredLengthAt), LoadLE64(entry + kChunkDecodedSizeAt)};
}

PayloadStreamResult ReadStreamLayout(const std::vector<ChainRecord>& records, std::uint64_t fileSize,
                              PayloadStreamLayout& layout) {
    layout = {};
    std::uint64_t tiled = 0;
    for (const ChainRecord& r : records) {
        const PayloadStreamResult result = AddStreamRecord(r, fileSize, layout, tiled);
        if (result != PayloadStreamResult::Ok) return result;
    }
    return FinishLayout(layout, tiled);
}

PayloadStreamResult ReadStreamLayout(const std::uint8_t* container, std::size_t length, std::uint64_t fileSize,
                              PayloadStreamLayout& layout) {
    layout = {};
    std::uint64_t tiled = 0;
    PayloadStreamResult result = PayloadStreamResult::Ok;
    const WalkResult walk = WalkContainer(container, length, [&](const ChainRecord& r) {
        if (result == PayloadStreamResult::Ok) result = AddStreamRecord(r, fileSize, layout, tiled);
    });
    if (walk != WalkResult::Ok) return PayloadStreamResult::Malformed;
    return result != PayloadStreamResult::Ok ? result : FinishLayout(layout, tiled);
}

PayloadStreamResult CheckStreamHash(const PayloadStreamLayout& layout, StreamSource& source) noexcept {
    if (!layout.present) return PayloadStreamResult::Malformed;
    auto* buffer = static_cast<std::uint8_t*>(std::malloc(kInputBufferSize));
    if (!buffer) return PayloadStreamResult::OutOfMemory;
    Sha256Hasher hasher;
    bool read = true;
    for (std::uint64_t done = 0; read && done < layout.storedLength;) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(kInputBufferSize, layout.storedLength - done));
        read = source.ReadAt(layout.fileOffset + done, buffer, part);
        if (read) hasher.Add({buffer, part});
        done += part;
    }
    std::free(buffer);
    if (!read) return PayloadStreamResult::ReadFailed;
    return hasher.Finish() == layout.sha256 ? PayloadStreamResult::Ok : PayloadStreamResult::WrongHash;
}

PayloadStreamResult DecodePayloadStream(const PayloadStreamLayout& layout, StreamSource& source, StreamSink& sink) noexcept {
    if (const PayloadStreamResult hash = CheckStreamHash(layout, source); hash != PayloadStreamResult::Ok) return hash;
    LzmaState state;
    state.input = static_cast<Byte*>(std::malloc(kInputBufferSize));
    if (!state.input) return PayloadStreamResult::OutOfMemory;
    ChunkDecoder decoder{state, source, NodeCutter(layout.nodes, sink), {}, 0};
    std::uint64_t at = layout.fileOffset;
    for (std::uint32_t k = 0; k < layout.chunkCount; ++k) {
        const PayloadChunk chunk = ChunkAt(layout, k);
        if (const PayloadStreamResult result = decoder.Decode(chunk, at); result != PayloadStreamResult::Ok) return result;
        at += chunk.storedLength;
    }
    if (!decoder.cutter.Finish()) return PayloadStreamResult::SinkFailed;
    if (decoder.hasher.Finish() != layout.sha256) return PayloadStreamResult::WrongHash;
    return decoder.crc == layout.crc32 ? PayloadStreamResult::Ok : PayloadStreamResult::WrongCrc;
}

}  // namespace storage
