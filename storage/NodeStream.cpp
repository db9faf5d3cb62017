#include "storage/NodeStream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "storage/HeapBlock.h"
#include "storage/StorageCipher.h"

namespace storage {

ByteSink::~ByteSink() = default;

namespace {

// The stored body goes on in pieces of kInputChunk bytes, the decoded bytes in
// pieces of kOutputChunk: with zlib's own state (about 40 KB) that is all the
// memory a node of any size takes.
constexpr std::size_t kInputChunk = 64 * 1024;
constexpr std::size_t kOutputChunk = 128 * 1024;
// Read stored bytes are reported in steps of this size.
constexpr std::size_t kReportStep = 1024 * 1024;

// The body after the check block, front to back: in place when plain, through a
// buffer of its own when enciphered (the container is never written to).
class BodyReader {
public:
    BodyReader(const std::uint8_t* bytes, std::size_t length, const StorageCipher::Key* key,
               StoredBytesRead bytesRead) noexcept
        : bytes_(bytes), length_(length), key_(key), bytesRead_(bytesRead) {}
    BodyReader(const BodyReader&) = delete;
    BodyReader& operator=(const BodyReader&) = delete;
    // The decoding is over, however it ended: every piece handed out has been read.
    ~BodyReader() { ReportRead(); }

    // False when the heap refuses the decipher buffer.
    bool Ready() noexcept {
        if (key_) buffer_ = AllocateBlock(kInputChunk);
        return !key_ || buffer_;
    }
    std::size_t Remaining() const noexcept { return length_ - position_; }

    // The next min(max, kInputChunk, Remaining()) bytes, decoded; count says how many.
    // The caller has read every piece handed out before.
    const std::uint8_t* Next(std::size_t max, std::size_t& count) noexcept {
        if (position_ - reported_ >= kReportStep) ReportRead();
        count = std::min({max, kInputChunk, Remaining()});
        const std::uint8_t* piece = bytes_ + position_;
        if (key_) {
            cipher_.XorInto(piece, count, *key_, position_, buffer_.get());
            piece = buffer_.get();
        }
        position_ += count;
        return piece;
    }

private:
    void ReportRead() noexcept {
        if (bytesRead_ && position_ > reported_) bytesRead_(bytes_ + reported_, position_ - reported_);
        reported_ = position_;
    }

    const std::uint8_t* bytes_;
    std::size_t length_;
    std::size_t position_ = 0;
    std::size_t reported_ = 0;
    const StorageCipher::Key* key_;
    StoredBytesRead bytesRead_;
    const StorageCipher cipher_;
    HeapBlock buffer_;
};

// One zlib inflation, ended however the decoding ends.
class Inflater {
public:
    Inflater() noexcept : ready_(inflateInit(&stream) == Z_OK) {}
    ~Inflater() {
        if (ready_) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool Ready() const noexcept { return ready_; }

    z_stream stream{};

private:
    bool ready_;
};

// [U:4][zlib stream]: exactly U bytes to the sink, or Damaged as soon as the
// stream breaks, ends early, runs past U, or fails its Adler-32 check.
StreamResult Inflate(BodyReader& body, ByteSink& sink) noexcept {
    if (body.Remaining() <= kUnpackedSizePrefix) return StreamResult::Damaged;
    std::size_t count = 0;
    std::uint8_t prefix[kUnpackedSizePrefix];
    std::memcpy(prefix, body.Next(sizeof prefix, count), sizeof prefix);
    const std::uint32_t declared = LoadLE32(prefix);
    if (!StorageCipher().CanInflateTo(declared, body.Remaining())) return StreamResult::Damaged;

    const HeapBlock output = AllocateBlock(kOutputChunk);
    Inflater inflater;
    if (!output || !inflater.Ready()) return StreamResult::Damaged;
    z_stream& z = inflater.stream;
    std::uint32_t produced = 0;
    for (;;) {
        if (z.avail_in == 0 && body.Remaining() > 0) {
            z.next_in = const_cast<Bytef*>(body.Next(kInputChunk, count));
            z.avail_in = static_cast<uInt>(count);
        }
        z.next_out = output.get();
        z.avail_out = static_cast<uInt>(kOutputChunk);
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return StreamResult::Damaged;
        const std::size_t got = kOutputChunk - z.avail_out;
        if (got > declared - produced) return StreamResult::Damaged;
        produced += static_cast<std::uint32_t>(got);
        if (got > 0 && !sink.Write(output.get(), got)) return StreamResult::SinkStopped;
        if (rc == Z_STREAM_END) return produced == declared ? StreamResult::Done : StreamResult::Damaged;
        // Nothing came out and nothing is left to put in: the stream is cut short.
        if (got == 0 && z.avail_in == 0 && body.Remaining() == 0) return StreamResult::Damaged;
    }
}

}  // namespace

StreamResult StreamStoredData(const std::uint8_t* stored, std::uint32_t storedSize, std::uint8_t enciphered,
                              std::uint8_t compressed, std::string_view password, ByteSink& sink,
                              StoredBytesRead bytesRead) noexcept {
    if (!stored && storedSize != 0) return StreamResult::Damaged;
    const StorageCipher cipher;
    StorageCipher::Key key{};
    std::size_t skipped = 0;
    if (enciphered) {
        if (!cipher.VerifyPassword(stored, storedSize, password)) return StreamResult::Damaged;
        key = cipher.DeriveKey(password);
        skipped = kCheckBlockSize;
    }
    BodyReader body(stored + skipped, storedSize - skipped, enciphered ? &key : nullptr, bytesRead);
    if (!body.Ready()) return StreamResult::Damaged;
    if (compressed) return Inflate(body, sink);
    while (body.Remaining() > 0) {
        std::size_t count = 0;
        const std::uint8_t* piece = body.Next(kInputChunk, count);
        if (!sink.Write(piece, count)) return StreamResult::SinkStopped;
    }
    return StreamResult::Done;
}

}  // namespace storage
