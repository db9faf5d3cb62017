#include "app/PayloadPass_win.h"

#include "install/RelativeOpen_win.h"
#include "storage/Storage.h"

namespace app {

namespace {

// The program's own file, read with ordinary reads at absolute offsets. Others
// may read it meanwhile, nobody may change it. Found by name after the start,
// it may be another file than the one started; the decoder reads only a stream
// whose SHA-256 is the one the container (in the mapped image) holds.
class OwnFile final : public storage::StreamSource {
public:
    bool Open() {
        std::wstring path(32768, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0 || length >= path.size()) return false;
        path.resize(length);
        file_ = framework::FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                                  nullptr));
        LARGE_INTEGER size{};
        if (!file_ || !GetFileSizeEx(file_, &size)) return false;
        size_ = static_cast<std::uint64_t>(size.QuadPart);
        return true;
    }
    std::uint64_t Size() const noexcept { return size_; }

    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        while (length != 0) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const DWORD part = length > 0x100000u ? 0x100000u : static_cast<DWORD>(length);
            DWORD got = 0;
            if (!ReadFile(file_, buffer, part, &got, &at) || got == 0) return false;
            buffer += got;
            offset += got;
            length -= got;
        }
        return true;
    }

private:
    framework::FileHandle file_;
    std::uint64_t size_ = 0;
};

// One entry's decoded bytes, handed to the pass as the stream's are.
class EntrySink final : public storage::ByteSink {
public:
    EntrySink(install::StreamedTargets& targets, std::size_t entryIndex) : targets_(targets), entryIndex_(entryIndex) {}
    bool Write(const std::uint8_t* bytes, std::size_t count) override {
        return targets_.Write(entryIndex_, bytes, count);
    }

private:
    install::StreamedTargets& targets_;
    std::size_t entryIndex_;
};

}  // namespace

PayloadPass::PayloadPass(PayloadFiles& payload, const install::HeldFolders& held,
                         std::function<void()> fileWritten)
    : payload_(payload), held_(held), fileWritten_(std::move(fileWritten)) {}

bool PayloadPass::Write(storage::Storage& storage, install::InstallDocument& document) {
    files_.resize(document.entries.size());
    written_.assign(document.entries.size(), 0);
    const bool written = WriteStream(storage, document.entries) && WriteNodes(storage, document);
    files_.clear();  // closes a file cut off mid-way
    if (!written) RemoveWritten();
    return written;
}

bool PayloadPass::WriteStream(storage::Storage& storage, const std::vector<install::PayloadEntry>& entries) {
    if (!install::HasStreamedEntries(entries)) return true;
    OwnFile source;
    const storage::PayloadStreamResult result =
        source.Open() ? install::WriteStreamedEntries(storage, entries, source, source.Size(), *this)
                      : storage::PayloadStreamResult::ReadFailed;
    if (result == storage::PayloadStreamResult::Ok) return true;
    if (problem_.fault == PayloadFault::None) {
        damagedReason_ = std::string(storage::StreamResultText(result)) + ".";
        damagedReason_[0] = static_cast<char>(damagedReason_[0] - 'a' + 'A');  // every text starts with a small letter
    }
    return false;
}

bool PayloadPass::WriteNodes(storage::Storage& storage, install::InstallDocument& document) {
    for (std::size_t index = 0; index < document.entries.size(); ++index) {
        if (document.entries[index].streamed) continue;  // written from the stream
        if (!Begin(index)) return false;
        EntrySink sink(*this, index);
        const storage::StreamResult result = document.WritePayload(storage, document.entries[index], sink);
        if (result == storage::StreamResult::SinkStopped) return false;  // Failed named the file
        if (result == storage::StreamResult::Damaged) {
            damagedReason_ = document.DamageReason();
            return false;
        }
        if (!End(index)) return false;
    }
    return true;
}

bool PayloadPass::Begin(std::size_t entryIndex) {
    // A file that could not be opened is not this pass's: it is never removed.
    files_[entryIndex] = payload_.Open(entryIndex, held_, problem_);
    written_[entryIndex] = files_[entryIndex] ? 1 : 0;
    return written_[entryIndex] != 0;
}

bool PayloadPass::Write(std::size_t entryIndex, const std::uint8_t* bytes, std::size_t length) {
    const DWORD error = install::WriteAll(files_[entryIndex], bytes, length);
    return error == NO_ERROR || Failed(entryIndex, error);
}

bool PayloadPass::End(std::size_t entryIndex) {
    if (!CloseHandle(files_[entryIndex].Detach())) return Failed(entryIndex, GetLastError());
    fileWritten_();
    return true;
}

bool PayloadPass::Failed(std::size_t entryIndex, DWORD error) {
    problem_.fault = PayloadFault::Failed;
    problem_.where = payload_.PathOf(entryIndex);
    problem_.error = error;
    return false;
}

void PayloadPass::RemoveWritten() {
    for (std::size_t index = 0; index < written_.size(); ++index) {
        if (written_[index]) payload_.Remove(index, held_);
    }
}

}  // namespace app
