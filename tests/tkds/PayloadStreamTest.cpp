// Round trips of the payload stream between the tool's writer (manifest, container,
// liblzma encoder) and the portable reader and decoder, and the decoder's refusals
// of streams that were cut, changed, forged or described wrongly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallDocument.h"
#include "install/StreamedPayloads.h"
#include "storage/ContainerFormat.h"
#include "storage/Crc32.h"
#include "storage/PayloadStream.h"
#include "storage/Sha256.h"
#include "storage/Storage.h"
#include "tests/tkds/TempFolder.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/ManifestBuilder.h"
#include "tools/tkds/PayloadStreamWriter.h"

namespace tkds {
namespace {

using storage::PayloadStreamResult;
using test::TempFolder;

class BytesSource : public storage::StreamSource {
public:
    explicit BytesSource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
        std::memcpy(buffer, bytes_.data() + offset, length);
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
};

// Collects each node's bytes by name; can refuse after a number of writes.
class CollectingSink : public storage::StreamSink {
public:
    bool BeginNode(const storage::StreamedNode& node) override {
        names.emplace_back(node.name);
        contents.emplace_back();
        return true;
    }
    bool WriteNode(const std::uint8_t* bytes, std::size_t length) override {
        if (writesLeft-- == 0) return false;
        contents.back().append(reinterpret_cast<const char*>(bytes), length);
        return true;
    }
    bool EndNode(const storage::StreamedNode& node) override {
        ended += names.back() == node.name ? 1 : 0;
        return true;
    }
    std::vector<std::string> names;
    std::vector<std::string> contents;
    int ended = 0;
    long writesLeft = -1;  // no limit
};

std::string Pattern(std::size_t size, unsigned state) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        // Half repetitive, half noise, so that the encoder has matches to find.
        text[i] = (i / 4096) % 2 ? static_cast<char>(state >> 24) : static_cast<char>('a' + i % 7);
    }
    return text;
}

// A container file as "tkds build" writes it, from the manifest text, with the
// container and the stream in one file; the stream starts right after the container.
struct Streamed {
    std::vector<std::uint8_t> container;
    std::vector<std::uint8_t> file;  // container then stream
    StreamPlan plan;
    StreamFigures figures;
};

void BuildStreamed(const TempFolder& folder, std::string_view manifest, Streamed& out, std::uint64_t chunkSize = 0,
                   unsigned threads = 0) {
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    ASSERT_TRUE(ParseManifest(manifest, {}, entries, errors)) << errors[0].reason;
    ASSERT_TRUE(BuildContainer(entries, folder.Path(), out.container, out.plan, errors, chunkSize)) << errors[0].reason;
    ASSERT_FALSE(out.plan.Empty());
    const std::string path = folder / "streamed.bin";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    std::string error;
    const bool written = WriteStream(fd, out.container.size(), out.plan, out.figures, {ProgressStyle::Quiet, threads}, error);
    ::close(fd);
    ASSERT_TRUE(written) << error;
    PatchStreamRecord(out.container, out.plan, out.figures);
    ASSERT_TRUE(ReadFileBytes(path, out.file, error)) << error;
    std::copy(out.container.begin(), out.container.end(), out.file.begin());
}

// Writes into the container's stream record the digest of the stored bytes it
// describes in file, as a writer of a forged stream with its own record would.
void Rehash(std::vector<std::uint8_t>& container, const StreamPlan& plan, const std::vector<std::uint8_t>& file) {
    const std::uint8_t* data = container.data() + plan.recordDataAt;
    const std::uint64_t at = storage::LoadLE64(data + storage::kStreamFileOffsetAt);
    const std::uint64_t length = storage::LoadLE64(data + storage::kStreamStoredLengthAt);
    if (at > file.size() || length > file.size() - at) return;
    const auto digest = storage::Sha256({file.data() + at, static_cast<std::size_t>(length)});
    std::copy(digest.begin(), digest.end(), container.data() + plan.recordDataAt + storage::kStreamSha256At);
}

// The stream of other, made from the same streamed nodes with other bytes, put
// in place of the stream of s: its lengths and CRC-32 go into s's record, so
// that only the record's SHA-256 still tells the streams apart (as when a
// CRC-32 is forged).
void PutForgedStream(Streamed& s, const Streamed& other) {
    s.file.resize(s.container.size());
    s.file.insert(s.file.end(), other.file.begin() + static_cast<std::ptrdiff_t>(other.container.size()),
                  other.file.end());
    StreamFigures figures = other.figures;
    figures.fileOffset = s.figures.fileOffset;
    figures.sha256 = s.figures.sha256;
    PatchStreamRecord(s.container, s.plan, figures);
    std::copy(s.container.begin(), s.container.end(), s.file.begin());
}

PayloadStreamResult Decode(const std::vector<std::uint8_t>& container, const std::vector<std::uint8_t>& file,
                    CollectingSink& sink) {
    storage::PayloadStreamLayout layout;
    const PayloadStreamResult read = storage::ReadStreamLayout(container.data(), container.size(), file.size(), layout);
    if (read != PayloadStreamResult::Ok) return read;
    BytesSource source(file);
    return storage::DecodePayloadStream(layout, source, sink);
}

constexpr std::string_view kManifest =
    "Data Folder id=1\n"
    "Data.big Binary id=2 compress=lzma file=big.bin\n"
    "Data.none Binary id=3 compress=lzma file=empty.bin\n"
    "Data.small Binary id=4 compress=lzma value=tiny\n"
    "Data.zlib Binary id=5 compress=yes file=big.bin\n"
    "Data.last Binary id=6 compress=lzma file=empty.bin\n";

class PayloadStream : public ::testing::Test {
protected:
    void SetUp() override {
        big_ = Pattern(300000, 7);
        folder_.Write("big.bin", big_);
        folder_.Write("empty.bin", "");
        BuildStreamed(folder_, kManifest, streamed_);
    }
    // The sound file with the stream of other bytes of the same layout.
    void Forge(Streamed& forged) {
        TempFolder other;
        other.Write("big.bin", Pattern(300000, 8));
        other.Write("empty.bin", "");
        Streamed forgery;
        BuildStreamed(other, kManifest, forgery);
        forged = streamed_;
        PutForgedStream(forged, forgery);
    }
    TempFolder folder_;
    std::string big_;
    Streamed streamed_;
};

TEST_F(PayloadStream, NodesComeBackWholeInDocumentOrder) {
    EXPECT_EQ(streamed_.figures.decodedSize, big_.size() + 4);
    EXPECT_LT(streamed_.figures.storedLength, big_.size() * 3 / 5);  // half of it is noise
    CollectingSink sink;
    ASSERT_EQ(Decode(streamed_.container, streamed_.file, sink), PayloadStreamResult::Ok);
    EXPECT_EQ(sink.names, (std::vector<std::string>{"big", "none", "small", "last"}));
    EXPECT_EQ(sink.contents, (std::vector<std::string>{big_, "", "tiny", ""}));
    EXPECT_EQ(sink.ended, 4);

    // The reader finds the zlib node; a streamed one resolves, but its record is never taken for its data.
    storage::Storage reader;
    ASSERT_TRUE(reader.OpenBytes(streamed_.container.data(), streamed_.container.size()));
    storage::HeapBlock data;
    std::uint32_t size = 0;
    EXPECT_TRUE(reader.GetBinary("Data.zlib", data, size, ""));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.get()), size), big_);
    EXPECT_FALSE(reader.GetBinary("Data.big", data, size, ""));
    EXPECT_EQ(reader.LastError(), "");
}

TEST_F(PayloadStream, CutChangedOrMisdescribedStreamsAreRefused) {
    const std::uint64_t start = streamed_.figures.fileOffset;
    struct Case {
        const char* what;
        void (*spoil)(Streamed&, std::uint64_t start);
        std::vector<PayloadStreamResult> expected;
        bool rehashed = true;  // the record's SHA-256 made to match, to reach the decoder's own checks
    };
    const Case cases[] = {
        {"file cut inside the stream",
         [](Streamed& s, std::uint64_t) { s.file.resize(s.file.size() - 10); }, {PayloadStreamResult::ReadFailed}},
        {"a byte of the data changed",
         [](Streamed& s, std::uint64_t at) { s.file[at + 2000] ^= 0x40; }, {PayloadStreamResult::WrongHash}, false},
        {"a byte of the data changed, the digest too",
         [](Streamed& s, std::uint64_t at) { s.file[at + 2000] ^= 0x40; },
         {PayloadStreamResult::CorruptData, PayloadStreamResult::WrongCrc, PayloadStreamResult::WrongSize}},
        {"a byte of the record's SHA-256 changed",
         [](Streamed& s, std::uint64_t) { s.container[s.plan.recordDataAt + storage::kStreamSha256At + 31] ^= 1; },
         {PayloadStreamResult::WrongHash}, false},
        {"wrong CRC in the record",
         [](Streamed& s, std::uint64_t) { s.container[s.plan.recordDataAt + storage::kStreamCrcAt] ^= 1; },
         {PayloadStreamResult::WrongCrc}},
        {"stored length one short",
         [](Streamed& s, std::uint64_t) {
             std::uint8_t* p = s.container.data() + s.plan.recordDataAt + storage::kStreamStoredLengthAt;
             storage::StoreLE64(p, storage::LoadLE64(p) - 1);
         },
         {PayloadStreamResult::WrongSize, PayloadStreamResult::CorruptData}},
        {"a byte after the stream's end",
         [](Streamed& s, std::uint64_t) {
             s.file.push_back(0);
             std::uint8_t* p = s.container.data() + s.plan.recordDataAt + storage::kStreamStoredLengthAt;
             storage::StoreLE64(p, storage::LoadLE64(p) + 1);
         },
         {PayloadStreamResult::CorruptData}},
        {"dictionary above 64 MB",
         [](Streamed& s, std::uint64_t at) { storage::StoreLE32(s.file.data() + at + 1, (64u << 20) + 1); },
         {PayloadStreamResult::Unsupported}},
        {"properties out of range", [](Streamed& s, std::uint64_t at) { s.file[at] = 225; },
         {PayloadStreamResult::Unsupported}},
    };
    for (const Case& c : cases) {
        Streamed spoilt = streamed_;
        c.spoil(spoilt, start);
        if (c.rehashed) Rehash(spoilt.container, spoilt.plan, spoilt.file);
        std::copy(spoilt.container.begin(), spoilt.container.end(), spoilt.file.begin());
        CollectingSink sink;
        const PayloadStreamResult result = Decode(spoilt.container, spoilt.file, sink);
        EXPECT_NE(std::find(c.expected.begin(), c.expected.end(), result), c.expected.end())
            << c.what << ": " << storage::StreamResultText(result);
    }

    // A sink that refuses stops the decode.
    CollectingSink refusing;
    refusing.writesLeft = 1;
    EXPECT_EQ(Decode(streamed_.container, streamed_.file, refusing), PayloadStreamResult::SinkFailed);
}

// A file put in the setup's place whose stream is sound LZMA with a matching
// CRC-32: refused on its SHA-256 before the sink sees a byte, where it would
// otherwise decode whole.
TEST_F(PayloadStream, ForgedStreamIsRefusedBeforeAnyByteIsDecoded) {
    Streamed forged;
    ASSERT_NO_FATAL_FAILURE(Forge(forged));
    CollectingSink sink;
    EXPECT_EQ(Decode(forged.container, forged.file, sink), PayloadStreamResult::WrongHash);
    EXPECT_TRUE(sink.names.empty());

    Rehash(forged.container, forged.plan, forged.file);
    std::copy(forged.container.begin(), forged.container.end(), forged.file.begin());
    CollectingSink fooled;
    EXPECT_EQ(Decode(forged.container, forged.file, fooled), PayloadStreamResult::Ok);
    ASSERT_FALSE(fooled.contents.empty());
    EXPECT_EQ(fooled.contents[0], Pattern(300000, 8));
}

// Serves one file to the first pass over the stream (the digest's) and another
// to every read after it, as a file changed between the passes would.
class SwitchingSource : public storage::StreamSource {
public:
    SwitchingSource(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& then, std::uint64_t end)
        : first_(first), then_(then), end_(end) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        BytesSource source(switched_ ? then_ : first_);
        const bool read = source.ReadAt(offset, buffer, length);
        switched_ = switched_ || offset + length == end_;
        return read;
    }

private:
    const std::vector<std::uint8_t>& first_;
    const std::vector<std::uint8_t>& then_;
    std::uint64_t end_;
    bool switched_ = false;
};

TEST_F(PayloadStream, StreamChangedAfterItsDigestWasCheckedIsRefusedAtTheEnd) {
    Streamed forged;
    ASSERT_NO_FATAL_FAILURE(Forge(forged));
    // The record's digest is that of what the first pass reads: the sound file's bytes.
    std::vector<std::uint8_t> checked = streamed_.file;
    checked.resize(forged.file.size());
    Rehash(forged.container, forged.plan, checked);
    std::copy(forged.container.begin(), forged.container.end(), forged.file.begin());

    storage::PayloadStreamLayout layout;
    ASSERT_EQ(storage::ReadStreamLayout(forged.container.data(), forged.container.size(), forged.file.size(), layout),
              PayloadStreamResult::Ok);
    SwitchingSource source(checked, forged.file, layout.fileOffset + layout.storedLength);
    CollectingSink sink;
    EXPECT_EQ(storage::DecodePayloadStream(layout, source, sink), PayloadStreamResult::WrongHash);
    ASSERT_FALSE(sink.contents.empty());
    EXPECT_EQ(sink.contents[0], Pattern(300000, 8));  // decoded whole, and still refused
}

// The streamed records' own rules, each broken on its own.
TEST_F(PayloadStream, LayoutRulesAreChecked) {
    std::vector<storage::ChainRecord> records;
    ASSERT_EQ(storage::WalkContainer(streamed_.container.data(), streamed_.container.size(),
                                     [&](const storage::ChainRecord& r) { records.push_back(r); }),
              storage::WalkResult::Ok);
    storage::PayloadStreamLayout layout;
    ASSERT_EQ(storage::ReadStreamLayout(records, streamed_.file.size(), layout), PayloadStreamResult::Ok);
    EXPECT_EQ(layout.nodes.size(), 4u);
    // A product this small is one chunk, without a chunks record.
    EXPECT_EQ(streamed_.plan.chunksDataAt, 0u);
    ASSERT_EQ(layout.chunkCount, 1u);
    EXPECT_EQ(storage::ChunkAt(layout, 0).storedLength, layout.storedLength);

    const auto streamRecord = std::find_if(records.begin(), records.end(), [](const storage::ChainRecord& r) {
        return r.kind == storage::kStreamRecordKind;
    });
    ASSERT_NE(streamRecord, records.end());
    const auto without = [&](std::uint8_t kind) {
        std::vector<storage::ChainRecord> kept;
        for (const auto& r : records) {
            if (r.kind != kind) kept.push_back(r);
        }
        return kept;
    };
    std::vector<storage::ChainRecord> twoStreams(records);
    twoStreams.push_back(*streamRecord);
    std::vector<storage::ChainRecord> reordered(records);
    std::swap(reordered[1], reordered[3]);  // "big" after "small": no longer tiled from 0
    std::vector<storage::ChainRecord> zlibType(records);
    zlibType[1].compressed = 1;

    EXPECT_EQ(storage::ReadStreamLayout(without(storage::kStreamRecordKind), 1 << 30, layout), PayloadStreamResult::Malformed);
    EXPECT_EQ(storage::ReadStreamLayout(without(storage::kStreamedNodeRecordKind), 1 << 30, layout),
              PayloadStreamResult::Malformed);
    EXPECT_EQ(storage::ReadStreamLayout(twoStreams, 1 << 30, layout), PayloadStreamResult::Malformed);
    EXPECT_EQ(storage::ReadStreamLayout(reordered, 1 << 30, layout), PayloadStreamResult::Malformed);
    EXPECT_EQ(storage::ReadStreamLayout(zlibType, 1 << 30, layout), PayloadStreamResult::Malformed);
    EXPECT_EQ(storage::ReadStreamLayout(records, streamed_.file.size() - 1, layout), PayloadStreamResult::ReadFailed);
    // A container without streamed nodes has no stream, and says so.
    EXPECT_EQ(storage::ReadStreamLayout(std::vector<storage::ChainRecord>{}, 100, layout), PayloadStreamResult::Ok);
    EXPECT_FALSE(layout.present);
}

// Chunks of 16 KB: "a" is larger than a chunk and crosses two boundaries, the
// empty "gap" lies exactly on the fourth, "c" crosses the fifth; the last chunk
// is short.
constexpr std::uint64_t kSmallChunk = 16 * 1024;
constexpr std::string_view kChunkedManifest =
    "Data Folder id=1\n"
    "Data.a Binary id=2 compress=lzma file=a.bin\n"
    "Data.b Binary id=3 compress=lzma file=b.bin\n"
    "Data.gap Binary id=4 compress=lzma file=empty.bin\n"
    "Data.c Binary id=5 compress=lzma file=c.bin\n"
    "Data.d Binary id=6 compress=lzma value=tiny\n";

class ChunkedStream : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("a.bin", a_);
        folder_.Write("b.bin", b_);
        folder_.Write("empty.bin", "");
        folder_.Write("c.bin", c_);
        BuildStreamed(folder_, kChunkedManifest, streamed_, kSmallChunk, 3);
        ASSERT_EQ(storage::ReadStreamLayout(streamed_.container.data(), streamed_.container.size(),
                                            streamed_.file.size(), layout_),
                  PayloadStreamResult::Ok);
    }
    TempFolder folder_;
    const std::string a_ = Pattern(40000, 11);
    const std::string b_ = Pattern(4 * kSmallChunk - 40000, 12);
    const std::string c_ = Pattern(20000, 13);
    Streamed streamed_;
    storage::PayloadStreamLayout layout_;
};

TEST_F(ChunkedStream, ChunksDecodeToTheNodesWhateverTheThreads) {
    const std::string all = a_ + b_ + c_ + "tiny";
    ASSERT_EQ(layout_.chunkCount, 6u);
    std::uint64_t at = layout_.fileOffset;
    for (std::uint32_t k = 0; k < layout_.chunkCount; ++k) {
        EXPECT_EQ(storage::ChunkAt(layout_, k).decodedSize, k < 5 ? kSmallChunk : all.size() - 5 * kSmallChunk) << k;
        // Each chunk its own properties, with a dictionary of its size.
        EXPECT_EQ(storage::LoadLE32(streamed_.file.data() + at + 1), kSmallChunk) << k;
        at += storage::ChunkAt(layout_, k).storedLength;
    }
    EXPECT_EQ(at, layout_.fileOffset + layout_.storedLength);
    EXPECT_EQ(streamed_.figures.crc32,
              storage::Crc32(0, reinterpret_cast<const std::uint8_t*>(all.data()), all.size()));

    CollectingSink sink;
    ASSERT_EQ(Decode(streamed_.container, streamed_.file, sink), PayloadStreamResult::Ok);
    EXPECT_EQ(sink.names, (std::vector<std::string>{"a", "b", "gap", "c", "d"}));
    EXPECT_EQ(sink.contents, (std::vector<std::string>{a_, b_, "", c_, "tiny"}));
    EXPECT_EQ(sink.ended, 5);

    for (unsigned threads : {1u, 2u, 8u}) {
        Streamed again;
        BuildStreamed(folder_, kChunkedManifest, again, kSmallChunk, threads);
        EXPECT_EQ(again.file, streamed_.file) << threads << " threads";
    }
}

TEST_F(ChunkedStream, DamagedOrMisdescribedChunksAreRefused) {
    const std::uint64_t second = layout_.fileOffset + storage::ChunkAt(layout_, 0).storedLength;
    const auto entry = [](Streamed& s, std::size_t k) {
        return s.container.data() + s.plan.chunksDataAt + storage::kChunksCountSize + storage::kChunkEntrySize * k;
    };
    struct Case {
        const char* what;
        std::function<void(Streamed&)> spoil;
        std::vector<PayloadStreamResult> expected;
    };
    const Case cases[] = {
        {"a byte of the second chunk's data changed", [&](Streamed& s) { s.file[second + 40] ^= 0x40; },
         {PayloadStreamResult::CorruptData, PayloadStreamResult::WrongCrc, PayloadStreamResult::WrongSize}},
        {"the first two chunks' stored lengths swapped",
         [&](Streamed& s) {
             const std::uint64_t first = storage::LoadLE64(entry(s, 0));
             storage::StoreLE64(entry(s, 0), storage::LoadLE64(entry(s, 1)));
             storage::StoreLE64(entry(s, 1), first);
         },
         {PayloadStreamResult::CorruptData, PayloadStreamResult::WrongSize, PayloadStreamResult::Unsupported}},
        {"a byte moved from one chunk's decoded size to the next's",
         [&](Streamed& s) {
             storage::StoreLE64(entry(s, 1) + 8, kSmallChunk + 1);
             storage::StoreLE64(entry(s, 2) + 8, kSmallChunk - 1);
         },
         {PayloadStreamResult::CorruptData, PayloadStreamResult::WrongSize}},
        {"decoded sizes that do not add up", [&](Streamed& s) { storage::StoreLE64(entry(s, 5) + 8, 1); },
         {PayloadStreamResult::Malformed}},
        {"stored lengths that do not add up",
         [&](Streamed& s) { storage::StoreLE64(entry(s, 0), storage::LoadLE64(entry(s, 0)) - 1); },
         {PayloadStreamResult::Malformed}},
        {"an empty chunk",
         [&](Streamed& s) {
             storage::StoreLE64(entry(s, 4) + 8, 2 * kSmallChunk);
             storage::StoreLE64(entry(s, 3) + 8, 0);
         },
         {PayloadStreamResult::Malformed}},
        {"a chunk without its properties", [&](Streamed& s) { storage::StoreLE64(entry(s, 2), 4); },
         {PayloadStreamResult::Malformed}},
        {"a count that is not the record's", [&](Streamed& s) { storage::StoreLE32(entry(s, 0) - 4, 5); },
         {PayloadStreamResult::Malformed}},
        {"no chunks", [&](Streamed& s) { storage::StoreLE32(entry(s, 0) - 4, 0); }, {PayloadStreamResult::Malformed}},
    };
    for (const Case& c : cases) {
        Streamed spoilt = streamed_;
        c.spoil(spoilt);
        Rehash(spoilt.container, spoilt.plan, spoilt.file);
        std::copy(spoilt.container.begin(), spoilt.container.end(), spoilt.file.begin());
        CollectingSink sink;
        const PayloadStreamResult result = Decode(spoilt.container, spoilt.file, sink);
        EXPECT_NE(std::find(c.expected.begin(), c.expected.end(), result), c.expected.end())
            << c.what << ": " << storage::StreamResultText(result);
    }

    // The record only with a stream, and once.
    std::vector<storage::ChainRecord> records;
    ASSERT_EQ(storage::WalkContainer(streamed_.container.data(), streamed_.container.size(),
                                     [&](const storage::ChainRecord& r) { records.push_back(r); }),
              storage::WalkResult::Ok);
    const auto chunks = std::find_if(records.begin(), records.end(), [](const storage::ChainRecord& r) {
        return r.kind == storage::kChunksRecordKind;
    });
    ASSERT_NE(chunks, records.end());
    storage::PayloadStreamLayout layout;
    std::vector<storage::ChainRecord> twice(records);
    twice.push_back(*chunks);
    EXPECT_EQ(storage::ReadStreamLayout(twice, streamed_.file.size(), layout), PayloadStreamResult::Malformed);
    EXPECT_EQ(storage::ReadStreamLayout(std::vector<storage::ChainRecord>{*chunks}, streamed_.file.size(), layout),
              PayloadStreamResult::Malformed);
}

// A file that changed or went since the container was built stops the write
// with its name, whichever thread's chunk reads it.
TEST_F(ChunkedStream, FilesChangedSinceTheyWereListedStopTheWrite) {
    std::vector<ManifestEntry> entries;
    std::vector<ManifestError> errors;
    ASSERT_TRUE(ParseManifest(kChunkedManifest, {}, entries, errors));
    std::vector<std::uint8_t> container;
    StreamPlan plan;
    ASSERT_TRUE(BuildContainer(entries, folder_.Path(), container, plan, errors, kSmallChunk));
    const std::string path = folder_ / "out.bin";
    const auto write = [&](std::string& error) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        StreamFigures figures;
        const bool written = fd >= 0 && WriteStream(fd, 0, plan, figures, {ProgressStyle::Quiet, 2}, error);
        if (fd >= 0) ::close(fd);
        return written;
    };
    std::string error;
    folder_.Write("b.bin", b_ + "x");
    EXPECT_FALSE(write(error));
    EXPECT_NE(error.find("b.bin changed while the setup program was made"), std::string::npos) << error;
    ASSERT_EQ(::unlink((folder_ / "c.bin").c_str()), 0);
    folder_.Write("b.bin", b_);
    error.clear();
    EXPECT_FALSE(write(error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
    EXPECT_NE(error.find("c.bin"), std::string::npos) << error;
}

TEST(PayloadStreamDictionary, SizedToThePayloadWithinBounds) {
    EXPECT_EQ(StreamDictionarySize(0), 4096u);
    EXPECT_EQ(StreamDictionarySize(5000), 6144u);
    EXPECT_EQ(StreamDictionarySize(52u << 20), 64u << 20);
    EXPECT_EQ(StreamDictionarySize(std::uint64_t{600} << 20), 64u << 20);
    EXPECT_EQ(StreamDictionarySize((32u << 20) + 1), 48u << 20);
    // Up to 64 MB one chunk with the dictionary of before; above, two or more equal chunks of at most
    // 96 MB with 16 MB dictionaries.
    constexpr std::uint64_t mb = 1 << 20;
    EXPECT_EQ(StreamChunkSize(3 * mb), 3 * mb);
    EXPECT_EQ(StreamChunkCount(64 * mb, StreamChunkSize(64 * mb)), 1u);
    EXPECT_EQ(ChunkDictionarySize(64 * mb, StreamChunkSize(64 * mb)), 64 * mb);
    EXPECT_EQ(StreamChunkSize(64 * mb + 2), 32 * mb + 1);
    EXPECT_EQ(StreamChunkCount(80 * mb, StreamChunkSize(80 * mb)), 2u);
    EXPECT_EQ(StreamChunkCount(640 * mb, StreamChunkSize(640 * mb)), 7u);
    EXPECT_EQ(ChunkDictionarySize(640 * mb, StreamChunkSize(640 * mb)), 16 * mb);
}

// The setup's side: the install document's entries found in the stream through
// the reader, the kilobytes counted from the records, each entry's file written
// once in stream order (two entries of one node both), per-node zlib left alone.
class FileTargets : public install::StreamedTargets {
public:
    bool Begin(std::size_t entry) override {
        order.push_back(entry);
        files[entry].clear();
        return true;
    }
    bool Write(std::size_t entry, const std::uint8_t* bytes, std::size_t length) override {
        files[entry].append(reinterpret_cast<const char*>(bytes), length);
        return true;
    }
    bool End(std::size_t) override { return true; }
    std::vector<std::size_t> order;
    std::map<std::size_t, std::string> files;
};

class NoDisplay : public install::NumberDisplay {
public:
    void DrawNumber(int) override {}
};

TEST(SetupPayloadStream, EntriesAreWrittenFromTheStreamAndItsDamageIsFound) {
    TempFolder folder;
    const std::string big = Pattern(300000, 3);
    folder.Write("big.bin", big);
    folder.Write("empty.bin", "");
    folder.Write("doc.idoc",
                 "pit=pf\r\nname=S\r\nregrecord=S\r\ndeffolder=S\r\ngroupname=S\r\n"
                 "small,Small.txt,pit,f,f,Small\r\nbig,Big.bin,pit,f,f,Big\r\nzlib,Z.bin,pit,f,f,Z\r\n"
                 "none,Empty.txt,pit,f,f,Empty\r\nbig,Copy.bin,pit,f,f,Copy\r\n");
    constexpr std::string_view manifest =
        "Data Folder id=1\n"
        "Data.idoc String id=2 compress=yes file=doc.idoc\n"
        "Data.big Binary id=3 compress=lzma file=big.bin\n"
        "Data.zlib Binary id=4 compress=yes file=big.bin\n"
        "Data.none Binary id=5 compress=lzma file=empty.bin\n"
        "Data.small Binary id=6 compress=lzma value=tiny\n";
    Streamed streamed;
    BuildStreamed(folder, manifest, streamed);

    storage::Storage reader;
    ASSERT_TRUE(reader.OpenBytes(streamed.container.data(), streamed.container.size()));
    // Only the size of a streamed node reads.
    storage::DiscardSink nowhere;
    EXPECT_EQ(reader.StreamBinary("Data.big", nowhere, ""), storage::StreamResult::Damaged);
    std::uint32_t recordOffset = 0;
    EXPECT_FALSE(reader.StreamedRecordOffset("Data.zlib", recordOffset));

    install::InstallDocument document;
    NoDisplay display;
    document.Load(reader, display, [] { return std::optional<std::string>("C:\\Program Files"); });
    ASSERT_FALSE(document.IsDamaged()) << document.DamageReason();
    ASSERT_EQ(document.entries.size(), 5u);
    EXPECT_EQ(document.requiredKilobytes, (4 + 3 * 300000) >> 10);
    EXPECT_TRUE(document.entries[0].streamed);
    EXPECT_FALSE(document.entries[2].streamed);
    EXPECT_EQ(document.entries[4].size, 300000u);
    // The zlib node decodes on its own; the streamed ones come from the stream.
    EXPECT_EQ(document.WritePayload(reader, document.entries[2], nowhere), storage::StreamResult::Done);

    BytesSource source(streamed.file);
    FileTargets targets;
    ASSERT_EQ(install::WriteStreamedEntries(reader, document.entries, source, streamed.file.size(), targets),
              PayloadStreamResult::Ok);
    EXPECT_EQ(targets.order, (std::vector<std::size_t>{1, 4, 3, 0}));  // the stream's order
    EXPECT_EQ(targets.files[0], "tiny");
    EXPECT_EQ(targets.files[1], big);
    EXPECT_EQ(targets.files[3], "");
    EXPECT_EQ(targets.files[4], big);
    EXPECT_EQ(targets.files.count(2), 0u);

    // Damage found only at the end still fails the pass; a file cut short, before anything is written.
    const std::uint64_t cut = streamed.file.size() - 1;
    FileTargets none;
    EXPECT_EQ(install::WriteStreamedEntries(reader, document.entries, source, cut, none), PayloadStreamResult::ReadFailed);
    EXPECT_TRUE(none.order.empty());
    Streamed wrongCrc = streamed;
    wrongCrc.container[wrongCrc.plan.recordDataAt + storage::kStreamCrcAt] ^= 1;
    storage::Storage spoilt;
    ASSERT_TRUE(spoilt.OpenBytes(wrongCrc.container.data(), wrongCrc.container.size()));
    FileTargets written;
    EXPECT_EQ(install::WriteStreamedEntries(spoilt, document.entries, source, streamed.file.size(), written),
              PayloadStreamResult::WrongCrc);
    EXPECT_EQ(written.files[1], big);  // written before the check could tell

    // The file in the setup's place carries another stream, its CRC-32 made to
    // match: refused before any file is begun.
    folder.Write("big.bin", Pattern(300000, 4));
    Streamed forgery;
    BuildStreamed(folder, manifest, forgery);
    Streamed forged = streamed;
    PutForgedStream(forged, forgery);
    storage::Storage forgedReader;
    ASSERT_TRUE(forgedReader.OpenBytes(forged.container.data(), forged.container.size()));
    BytesSource forgedSource(forged.file);
    FileTargets nothing;
    EXPECT_EQ(install::WriteStreamedEntries(forgedReader, document.entries, forgedSource, forged.file.size(), nothing),
              PayloadStreamResult::WrongHash);
    EXPECT_TRUE(nothing.order.empty());
}

}  // namespace
}  // namespace tkds
