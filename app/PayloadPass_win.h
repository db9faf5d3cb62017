#pragma once
// Every payload file, written in one pass before the uninstall log is begun: first
// the files whose bytes are in the payload stream, as the stream is read from the
// program's own file (after its image) and decoded, then each file stored in a
// node of its own, inflated straight into it. Damage shows only as the bytes are
// decoded (a node's checksum at its end, the stream's size, CRC-32 and SHA-256 at
// its end), so a failed pass removes every file it wrote: a damaged setup leaves
// none of them behind, and no file is decoded twice.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/PayloadFiles_win.h"
#include "install/StreamedPayloads.h"

namespace app {

class PayloadPass final : public install::StreamedTargets {
public:
    // fileWritten is called after each file is complete (the run's progress).
    PayloadPass(PayloadFiles& payload, const install::HeldFolders& held, std::function<void()> fileWritten);

    // Writes every entry's file. On false, every file written is removed again
    // and either DamagedReason() says why the data was refused (for a node, the
    // document is marked damaged with its line) or Problem() names the file
    // that failed.
    bool Write(storage::Storage& storage, install::InstallDocument& document);

    const std::string& DamagedReason() const noexcept { return damagedReason_; }
    const PayloadProblem& Problem() const noexcept { return problem_; }

    bool Begin(std::size_t entryIndex) override;
    bool Write(std::size_t entryIndex, const std::uint8_t* bytes, std::size_t length) override;
    bool End(std::size_t entryIndex) override;

private:
    bool WriteStream(storage::Storage& storage, const std::vector<install::PayloadEntry>& entries);
    bool WriteNodes(storage::Storage& storage, install::InstallDocument& document);
    bool Failed(std::size_t entryIndex, DWORD error);
    void RemoveWritten();

    PayloadFiles& payload_;
    const install::HeldFolders& held_;
    std::function<void()> fileWritten_;
    std::vector<framework::FileHandle> files_;  // by entry: open while its bytes are decoded
    std::vector<std::uint8_t> written_;         // by entry: this pass made or emptied its file
    std::string damagedReason_;
    PayloadProblem problem_;
};

}  // namespace app
