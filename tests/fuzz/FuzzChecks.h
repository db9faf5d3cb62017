#pragma once
// What each fuzzer does with one input, shared with the native corpus test
// (FuzzCorpusTest.cpp), which runs the committed bad inputs through the same
// checks and compares their outcomes with the expected ones.
//
// Each check runs the code under test on the input and verifies the rules that
// must hold for any input; a broken rule is returned in `broken` (the fuzzers
// abort on it, the corpus test fails).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// The install document: the input is the text of "Data.idoc". The payload nodes
// come from a table: "Data.KEY" exists unless KEY holds a '?', and holds
// 300 x (length of KEY) bytes. The Program Files folder is unknown for inputs of
// odd length.
struct DocumentOutcome {
    bool damaged = false;
    std::string reason;                 // DamageReason()
    std::vector<std::string> messages;  // the message boxes shown by Load
    std::size_t entries = 0;
    std::uint32_t requiredKilobytes = 0;
    std::string defaultDestination;
    std::string broken;
};
DocumentOutcome CheckInstallDocument(const std::uint8_t* bytes, std::size_t length);

// The stored image record: ParseImageRecord and DibImage::LoadRecord, then the
// loaded picture drawn into a window picture and used as the ticker font and the
// counter digits.
struct ImageRecordOutcome {
    bool loaded = false;
    std::string status;  // DibImage's status text after LoadRecord
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::string broken;
};
ImageRecordOutcome CheckImageRecord(const std::uint8_t* bytes, std::size_t length);

// tkds's PNG reading from a file with the input's bytes, then its three
// conversions (rgb, rgba-t, dib24), the last read back as an image record.
struct PngOutcome {
    bool read = false;
    std::string error;  // ReadPng's reason when it fails
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string broken;
};
PngOutcome CheckPngNode(const std::uint8_t* bytes, std::size_t length);

// The PE resource editor: Parse, then Write of what it read (which must read back
// as the same resources and rewrite to the same bytes), then Write with a
// "STORAGE" resource added, which must read back too.
struct PeOutcome {
    bool parsed = false;
    std::string error;  // Parse's reason when it fails, else Write's (empty when it wrote)
    std::size_t resources = 0;
    std::string broken;
};
PeOutcome CheckPeResources(const std::uint8_t* bytes, std::size_t length);

}  // namespace fuzz
