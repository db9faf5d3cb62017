#include <string>

#include "tests/fuzz/FuzzChecks.h"
#include "tools/resedit/PeResources.h"

namespace fuzz {

namespace {

// Writes `pe`; a written file must parse to the same resources and write again to the same bytes.
std::string WriteAndReadBack(const resedit::PeFile& pe, bool& written, std::string& error) {
    std::vector<std::uint8_t> out;
    written = pe.Write(out, error);
    if (!written) return error.empty() ? "Write failed without a reason" : "";
    resedit::PeFile back;
    std::string backError;
    if (!resedit::PeFile::Parse(out, back, backError)) return "a written file does not parse: " + backError;
    if (back.Resources() != pe.Resources()) return "a written file reads back other resources";
    std::vector<std::uint8_t> again;
    if (!back.Write(again, backError) || again != out) return "a written file does not rewrite to the same bytes";
    return {};
}

}  // namespace

PeOutcome CheckPeResources(const std::uint8_t* bytes, std::size_t length) {
    PeOutcome outcome;
    resedit::PeFile pe;
    outcome.parsed = resedit::PeFile::Parse({bytes, length}, pe, outcome.error);
    if (!outcome.parsed) {
        if (outcome.error.empty() || outcome.error.find('\n') != std::string::npos)
            outcome.broken = "Parse failed without a one-line reason";
        else if (!pe.Resources().empty())
            outcome.broken = "a failed Parse changed its output";
        return outcome;
    }
    outcome.resources = pe.Resources().size();
    bool written = false;
    outcome.broken = WriteAndReadBack(pe, written, outcome.error);
    if (!outcome.broken.empty() || !written) return outcome;

    pe.SetResource({resedit::ResourceKey::Named(u"STORAGE"), resedit::ResourceKey::Number(129), 0, 0,
                    std::vector<std::uint8_t>(5000, 0x5A)});
    std::string error;
    outcome.broken = WriteAndReadBack(pe, written, error);
    if (outcome.broken.empty() && !written) outcome.broken = "a file that was written cannot take one resource more: " + error;
    return outcome;
}

}  // namespace fuzz
