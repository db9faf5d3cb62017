// The payload stream's results in words, apart from the decoder so that a program
// that never shows them does not carry the texts.
#include "storage/PayloadStream.h"

namespace storage {

std::string_view StreamResultText(PayloadStreamResult result) noexcept {
    switch (result) {
        case PayloadStreamResult::Ok: return "";
        case PayloadStreamResult::Malformed: return "the payload stream's records are malformed";
        case PayloadStreamResult::ReadFailed: return "the payload stream cannot be read (truncated file?)";
        case PayloadStreamResult::WrongHash: return "the payload stream's SHA-256 does not match";
        case PayloadStreamResult::Unsupported: return "the payload stream's LZMA properties are not supported";
        case PayloadStreamResult::CorruptData: return "the payload stream's data is corrupt";
        case PayloadStreamResult::WrongSize: return "the payload stream does not decode to its declared size";
        case PayloadStreamResult::WrongCrc: return "the payload stream's CRC-32 does not match";
        case PayloadStreamResult::OutOfMemory: return "not enough memory to decode the payload stream";
        case PayloadStreamResult::SinkFailed: return "the decoded payload could not be written";
    }
    return "";
}

}  // namespace storage
