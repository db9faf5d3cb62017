#include "install/DocumentText.h"

namespace install {

std::vector<DocumentLine> SplitDocumentLines(std::string_view text) {
    std::vector<DocumentLine> lines;
    int number = 1;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > pos) lines.push_back({number, text.substr(pos, stop - pos)});
        pos = stop;
        // Each CR LF pair, lone LF and lone CR ends one line.
        while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) {
            if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
            ++pos;
            ++number;
        }
    }
    return lines;
}

bool IsPayloadLine(std::string_view line) {
    if (line.empty() || line.substr(0, 2) == "//") return false;
    for (const std::string_view key : {"pit=", "deffolder=", "groupname=", "regrecord=", "name="}) {
        if (line.substr(0, key.size()) == key) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitPayloadFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t comma = line.find(',', pos);
        const std::size_t stop = comma == std::string_view::npos ? line.size() : comma;
        fields.push_back(line.substr(pos, stop - pos));
        pos = stop;
        while (pos < line.size() && line[pos] == ',') ++pos;
    }
    return fields;
}

}  // namespace install
