#include "install/PathText.h"

#include "framework/Utf8Units.h"

namespace install {

std::string FoldedPath(std::string_view path) {
    std::string folded;
    folded.reserve(path.size());
    for (std::size_t at = 0; at < path.size();) {
        const auto byte = static_cast<unsigned char>(path[at]);
        if (byte < 0x80) {
            // The common case, and the same in every table.
            folded += (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 'a' + 'A') : path[at];
            ++at;
            continue;
        }
        const framework::Utf8Decoded decoded = framework::DecodeUtf8At(path, at);
        if (decoded.length == 0) {
            folded += path[at++];
            continue;
        }
        // The table has one entry per UTF-16 unit: a pair of surrogates, and the
        // surrogates themselves, fold to what they are.
        if (decoded.point >= 0x10000 || (decoded.point >= 0xD800 && decoded.point <= 0xDFFF)) {
            folded.append(path.substr(at, decoded.length));
        } else {
            framework::AppendUtf8(folded, UpcaseUnit(static_cast<char16_t>(decoded.point)));
        }
        at += decoded.length;
    }
    return folded;
}

bool SamePathText(std::string_view a, std::string_view b) { return FoldedPath(a) == FoldedPath(b); }

}  // namespace install
