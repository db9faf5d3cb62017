#pragma once
// The entries whose bytes are in the payload stream, written in one pass over
// the stream: each streamed node's bytes go, as they are decoded, to the files
// of every entry that names that node.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "install/InstallDocument.h"
#include "storage/PayloadStream.h"

namespace install {

// Where the entries' bytes go (the run's files). For each entry of a node in
// stream order: Begin, its bytes in Write calls, End. False stops the pass.
class StreamedTargets {
public:
    virtual ~StreamedTargets();
    virtual bool Begin(std::size_t entryIndex) = 0;
    virtual bool Write(std::size_t entryIndex, const std::uint8_t* bytes, std::size_t length) = 0;
    virtual bool End(std::size_t entryIndex) = 0;
};

// Whether any entry is streamed.
bool HasStreamedEntries(const std::vector<PayloadEntry>& entries) noexcept;

// Reads the stream's layout from storage's records (fileSize: the size of the
// file that source reads), ties each streamed entry to its node and decodes the
// stream front to back into targets. An entry whose node the layout does not
// hold gives Malformed before anything is written. What targets received is
// sound only when the result is Ok: the size and the CRC-32 are known at the end.
storage::PayloadStreamResult WriteStreamedEntries(storage::Storage& storage, const std::vector<PayloadEntry>& entries,
                                                  storage::StreamSource& source, std::uint64_t fileSize,
                                                  StreamedTargets& targets);

}  // namespace install
