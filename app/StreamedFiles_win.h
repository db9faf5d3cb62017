#pragma once
// The files whose bytes are in the payload stream, written in one pass while the
// stream is read from the program's own file (after its image) and decoded. The
// stream's size and CRC-32 are known only at its end, so a failed pass removes
// every file it wrote: a damaged stream leaves none of them behind.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/PayloadFiles_win.h"
#include "install/StreamedPayloads.h"

namespace app {

class StreamedFiles final : public install::StreamedTargets {
public:
    // fileWritten is called after each file is complete (the run's progress).
    StreamedFiles(const PayloadFiles& payload, const install::HeldFolders& held, std::function<void()> fileWritten);

    // Writes every streamed entry's file; true at once when there is none. On
    // false, every file written is removed again and either DamagedReason() says
    // why the stream was refused or Problem() names the file that failed.
    bool Write(storage::Storage& storage, const std::vector<install::PayloadEntry>& entries);

    const std::string& DamagedReason() const noexcept { return damagedReason_; }
    const PayloadProblem& Problem() const noexcept { return problem_; }

    bool Begin(std::size_t entryIndex) override;
    bool Write(std::size_t entryIndex, const std::uint8_t* bytes, std::size_t length) override;
    bool End(std::size_t entryIndex) override;

private:
    bool Failed(std::size_t entryIndex, DWORD error);

    const PayloadFiles& payload_;
    const install::HeldFolders& held_;
    std::function<void()> fileWritten_;
    std::vector<framework::FileHandle> files_;  // by entry: open while its node is decoded
    std::vector<std::uint8_t> written_;         // by entry: this pass made or emptied its file
    std::string damagedReason_;
    PayloadProblem problem_;
};

}  // namespace app
