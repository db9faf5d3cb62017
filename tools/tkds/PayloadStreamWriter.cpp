#include "tools/tkds/PayloadStreamWriter.h"

#include <sched.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "storage/ContainerFormat.h"
#include "storage/Sha256.h"
#include "tools/tkds/ChunkEncoder.h"
#include "tools/tkds/ProgressLine.h"

namespace tkds {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr std::uint32_t kMinDictionary = 4096;
// How often the thread that writes shows progress while it waits for a chunk.
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

// The chunks of one stream, encoded by worker threads in any order and taken
// by the writing thread in stream order.
class ChunkQueue {
public:
    ChunkQueue(const StreamPlan& plan, std::uint64_t chunkSize, std::uint64_t count, std::uint32_t dictionary,
               std::string scratchFolder)
        : plan_(plan), offsets_(plan), chunkSize_(chunkSize), count_(count), dictionary_(dictionary),
          scratchFolder_(std::move(scratchFolder)), chunks_(count), done_(count, false) {}

    // Encodes chunks until none is left or one has failed.
    void Work() {
        for (std::uint64_t k = next_++; k < count_ && !progress.stop; k = next_++) {
            chunks_[k] = std::make_unique<EncodedChunk>();
            std::string error;
            const std::uint64_t begin = k * chunkSize_;
            const std::uint64_t end = std::min(begin + chunkSize_, plan_.decodedSize);
            const ChunkJob job{begin, end, dictionary_};
            if (!EncodeChunk(plan_, offsets_, job, scratchFolder_, *chunks_[k], progress, error)) Fail(error);
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                done_[k] = true;
            }
            changed_.notify_all();
        }
    }

    // Chunk k once it is encoded, waking now and then to call shown; null once a chunk has failed.
    EncodedChunk* Wait(std::uint64_t k, const std::function<void()>& shown) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!done_[k] && !progress.stop) {
            lock.unlock();
            shown();
            lock.lock();
            changed_.wait_for(lock, kProgressInterval, [&] { return done_[k] || progress.stop.load(); });
        }
        return progress.stop ? nullptr : chunks_[k].get();
    }

    // Lets go of chunk k's scratch file once it is written out.
    void Release(std::uint64_t k) { chunks_[k].reset(); }

    // The first reason given for a failure; others stop quietly.
    void Fail(const std::string& error) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (firstError_.empty() && !error.empty()) firstError_ = error;
            progress.stop = true;
        }
        changed_.notify_all();
    }
    std::string FirstError() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return firstError_;
    }

    ChunkProgress progress;

private:
    const StreamPlan& plan_;
    const PlanOffsets offsets_;
    const std::uint64_t chunkSize_;
    const std::uint64_t count_;
    const std::uint32_t dictionary_;
    const std::string scratchFolder_;
    std::vector<std::unique_ptr<EncodedChunk>> chunks_;
    std::vector<bool> done_;
    std::atomic<std::uint64_t> next_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string firstError_;
};

// The worker threads, stopped and joined on every way out.
class Workers {
public:
    // A thread the system cannot start leaves its chunks to those that started;
    // with none, the write fails with the system's reason.
    Workers(ChunkQueue& queue, unsigned count) : queue_(queue) {
        for (unsigned i = 0; i < count; ++i) {
            try {
                threads_.emplace_back([this] { queue_.Work(); });
            } catch (const std::system_error& e) {
                if (threads_.empty()) queue_.Fail(std::string("cannot start an encoding thread: ") + e.what());
                break;
            }
        }
    }
    ~Workers() {
        queue_.progress.stop = queue_.progress.stop || !finished_;
        for (std::thread& thread : threads_) thread.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    void Finished() { finished_ = true; }

private:
    ChunkQueue& queue_;
    std::vector<std::thread> threads_;
    bool finished_ = false;
};

// Appends a chunk's scratch file to fd at position, adding its bytes to the digest.
bool CopyChunk(EncodedChunk& chunk, int fd, std::uint64_t& position, storage::Sha256Hasher& hasher,
               std::vector<std::uint8_t>& buffer, std::string& error) {
    std::size_t got = 0;
    do {
        if (!chunk.file.Read(buffer, got, error)) {
            error = "cannot read a scratch file back: " + error;
            return false;
        }
        if (!WriteAt(fd, position, buffer.data(), got, error)) return false;
        hasher.Add({buffer.data(), got});
        position += got;
    } while (got != 0);
    return true;
}

}  // namespace

std::uint32_t StreamDictionarySize(std::uint64_t decodedSize) noexcept {
    const std::uint64_t wanted = std::clamp<std::uint64_t>(decodedSize, kMinDictionary, storage::kMaxStreamDictionary);
    // The properties store 2^n or 3 * 2^(n-1); decoders read the rounded size.
    std::uint64_t size = kMinDictionary;
    while (size < wanted) {
        const std::uint64_t between = size + size / 2;
        size = between >= wanted ? between : size * 2;
    }
    return static_cast<std::uint32_t>(size);
}

std::uint32_t ChunkDictionarySize(std::uint64_t decodedSize, std::uint64_t chunkSize) noexcept {
    if (StreamChunkCount(decodedSize, chunkSize) == 1) return StreamDictionarySize(decodedSize);
    return StreamDictionarySize(std::min(chunkSize, kChunkDictionary));
}

unsigned OnlineProcessors() noexcept {
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1;
}

bool WriteAt(int fd, std::uint64_t at, const std::uint8_t* bytes, std::size_t length, std::string& error) {
    while (length != 0) {
        const ssize_t written = ::pwrite(fd, bytes, length, static_cast<off_t>(at));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = std::strerror(errno);
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
        at += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool WriteStream(int fd, std::uint64_t at, const StreamPlan& plan, StreamFigures& figures,
                 const StreamSettings& settings, std::string& error) {
    // A plan without a chunk size is one chunk.
    const std::uint64_t chunkSize = plan.chunkSize ? plan.chunkSize : std::max<std::uint64_t>(plan.decodedSize, 1);
    const std::uint64_t count = StreamChunkCount(plan.decodedSize, chunkSize);
    const auto threads = static_cast<unsigned>(
        std::clamp<std::uint64_t>(settings.threads ? settings.threads : OnlineProcessors(), 1, count));
    const std::uint32_t dictionary = ChunkDictionarySize(plan.decodedSize, chunkSize);
    ProgressLine progress(settings.progress, plan.items.size(), plan.decodedSize);
    progress.Start(dictionary, threads, ChunkEncoderMemory(dictionary) * threads);

    std::error_code failure;
    ChunkQueue queue(plan, chunkSize, count, dictionary, std::filesystem::temp_directory_path(failure).string());
    figures = {};
    figures.fileOffset = at;
    storage::Sha256Hasher hasher;
    std::vector<std::uint8_t> buffer(kCopyBufferSize);
    std::uint64_t position = at;
    const std::function<void()> shown = [&] {
        progress.Advance(queue.progress.files, queue.progress.read, queue.progress.written);
    };
    {
        Workers workers(queue, threads);
        for (std::uint64_t k = 0; k < count; ++k) {
            EncodedChunk* chunk = queue.Wait(k, shown);
            const std::uint64_t start = position;
            if (!chunk || !CopyChunk(*chunk, fd, position, hasher, buffer, error)) {
                queue.Fail(error);
                error = queue.FirstError();
                return false;
            }
            const std::uint64_t decoded = std::min(chunkSize, plan.decodedSize - k * chunkSize);
            figures.crc32 = static_cast<std::uint32_t>(::crc32_combine64(figures.crc32, chunk->crc32,
                                                                         static_cast<z_off64_t>(decoded)));
            figures.chunkStoredLengths.push_back(position - start);
            queue.Release(k);
        }
        workers.Finished();
    }
    progress.Finish(position - at);
    figures.storedLength = position - at;
    figures.decodedSize = plan.decodedSize;
    figures.sha256 = hasher.Finish();
    return true;
}

void PatchStreamRecord(std::vector<std::uint8_t>& container, const StreamPlan& plan, const StreamFigures& figures) {
    std::uint8_t* data = container.data() + plan.recordDataAt;
    storage::StoreLE64(data + storage::kStreamFileOffsetAt, figures.fileOffset);
    storage::StoreLE64(data + storage::kStreamStoredLengthAt, figures.storedLength);
    storage::StoreLE64(data + storage::kStreamDecodedSizeAt, figures.decodedSize);
    storage::StoreLE32(data + storage::kStreamCrcAt, figures.crc32);
    std::copy(figures.sha256.begin(), figures.sha256.end(), data + storage::kStreamSha256At);
    if (plan.chunksDataAt == 0) return;
    std::uint8_t* chunks = container.data() + plan.chunksDataAt;
    const auto count = static_cast<std::uint32_t>(figures.chunkStoredLengths.size());
    storage::StoreLE32(chunks, count);
    for (std::uint32_t k = 0; k < count; ++k) {
        std::uint8_t* entry = chunks + storage::kChunksCountSize + storage::kChunkEntrySize * k;
        storage::StoreLE64(entry + storage::kChunkStoredLengthAt, figures.chunkStoredLengths[k]);
        storage::StoreLE64(entry + storage::kChunkDecodedSizeAt,
                           std::min(plan.chunkSize, plan.decodedSize - std::uint64_t{k} * plan.chunkSize));
    }
}

}  // namespace tkds
