#pragma once
// Decoding for the commands that read a container they did not make. Records
// may overlap (the walk needs only each next offset to grow), so many records
// can name the same stored bytes: each distinct stream is decoded once. And every
// decode first takes its announced size from a budget, so that no container can
// make a command decode more than the limit in all.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "storage/ByteStreams.h"
#include "storage/ContainerIndex.h"
#include "storage/DecodeBudget.h"
#include "tools/tkds/CommandSupport.h"

namespace tkds {

// What --max-decoded allows when it is not given, in megabytes (MiB).
inline constexpr std::uint64_t kDefaultDecodeLimitMegabytes = 1024;
inline constexpr std::uint64_t kMaxDecodeLimitMegabytes = std::uint64_t{1} << 20;
inline constexpr OptionRule kDecodeLimitOption = {"--max-decoded", true};

// The limit in bytes from --max-decoded MB (or the default); false with a reason.
bool DecodeLimitFrom(const ParsedArgs& parsed, std::uint64_t& bytes, std::string& error);

// "decoding stopped at the limit of N MB of decoded data (--max-decoded MB raises it)"
std::string DecodeLimitMessage(const storage::DecodeBudget& budget);

class NodeDecoder {
public:
    NodeDecoder(std::string password, std::uint64_t limitBytes) : password_(std::move(password)), budget_(limitBytes) {}

    // The decoded size of a node record, or none when its password is refused, its
    // data is broken or it would pass the budget (then Budget().Exceeded()). The
    // answer is kept for every record with the same stored bytes.
    std::optional<std::uint32_t> DecodedSize(const storage::ContainerIndex::Entry& entry);

    // The decoded bytes of one node record; empty as DecodedSize gives none.
    storage::HeapBlock Decode(const storage::ContainerIndex::Entry& entry, std::uint32_t& size);

    // Takes a node's announced size from the budget without decoding it, for a
    // reader that decodes it elsewhere; false when it would pass the budget.
    bool Charge(const storage::ContainerIndex::Entry& entry);

    // Decodes the container's payload stream front to back, after taking its
    // decoded size from the budget (DecodeLimit when it does not fit); keep (may
    // be null) names a streamed node whose bytes go to kept as they are decoded
    // (SinkFailed, with its reason in keptError, when kept refuses them). The
    // first whole decode's result is kept for later calls without keep.
    storage::PayloadStreamResult DecodeStream(const LoadedContainer& container, const storage::StreamedNode* keep,
                                       storage::PatchableSink* kept, std::string& keptError);

    storage::DecodeBudget& Budget() noexcept { return budget_; }
    const std::string& Password() const noexcept { return password_; }

private:
    using StreamKey = std::tuple<const std::uint8_t*, std::uint32_t, bool, bool>;

    std::string password_;
    storage::DecodeBudget budget_;
    std::map<StreamKey, std::optional<std::uint32_t>> decoded_;
    std::optional<storage::PayloadStreamResult> stream_;
};

}  // namespace tkds
