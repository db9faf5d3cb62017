// The payload stream's results in words, apart from the decoder so that a program
// that never shows them does not carry the texts.
#include "storage/PayloadStream.h"

namespace storage {

std::string_view StreamResultText(StreamResult result) noexcept {
    switch (result) {
        case StreamResult::Ok: return "";
        case StreamResult::Malformed: return "the payload stream's records are malformed";
        case StreamResult::ReadFailed: return "the payload stream cannot be read (truncated file?)";
        case StreamResult::Unsupported: return "the payload stream's LZMA properties are not supported";
        case StreamResult::CorruptData: return "the payload stream's data is corrupt";
        case StreamResult::WrongSize: return "the payload stream does not decode to its declared size";
        case StreamResult::WrongCrc: return "the payload stream's CRC-32 does not match";
        case StreamResult::OutOfMemory: return "not enough memory to decode the payload stream";
        case StreamResult::SinkFailed: return "the decoded payload could not be written";
    }
    return "";
}

}  // namespace storage
