#pragma once
// How the install document's text falls apart into lines and fields.
#include <string_view>
#include <vector>

namespace install {

struct DocumentLine {
    int number;             // 1-based; CR LF, LF and CR each end one line
    std::string_view text;  // the line without its line end, not trimmed
};

// The non-empty lines of text: each is the run of characters up to the next CR or
// LF. Empty lines are not returned but are counted in the numbers.
std::vector<DocumentLine> SplitDocumentLines(std::string_view text);

// text without space, tab, CR, LF, vertical tab and form feed at either end.
std::string_view TrimBlanks(std::string_view text);

// True for a trimmed line that is a payload line: not empty, not a comment and
// not one of the key lines ("pit=", "deffolder=", "groupname=", "regrecord=",
// "name=", matched case-sensitively at the line's start).
bool IsPayloadLine(std::string_view line);

// The fields of a payload line: the runs of characters between commas. Several
// commas in a row separate like one, commas at the end add nothing, and a leading
// comma gives an empty first field. Fields are not trimmed.
std::vector<std::string_view> SplitPayloadFields(std::string_view line);

}  // namespace install
