// Drives the resource editor from the command line for the Wine test:
//   resedit_driver IN OUT [TYPE NAME LANGUAGE FILE]...
// sets each resource (TYPE and NAME are numbers or upper-case names) to the
// file's bytes and writes the result. One line and exit status 1 on failure.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/resedit/PeResources.h"

namespace {

bool ReadAll(const char* path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

resedit::ResourceKey Key(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
        return resedit::ResourceKey::Number(static_cast<std::uint16_t>(std::stoul(text)));
    return resedit::ResourceKey::Named(std::u16string(text.begin(), text.end()));
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "resedit_driver: %s\n", text.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (argc - 3) % 4 != 0) return Fail("usage: IN OUT [TYPE NAME LANGUAGE FILE]...");
    std::vector<std::uint8_t> bytes;
    if (!ReadAll(argv[1], bytes)) return Fail(std::string("cannot read ") + argv[1]);
    resedit::PeFile pe;
    std::string error;
    if (!resedit::PeFile::Parse(bytes, pe, error)) return Fail(std::string(argv[1]) + ": " + error);
    for (int i = 3; i < argc; i += 4) {
        resedit::Resource r{Key(argv[i]), Key(argv[i + 1]), static_cast<std::uint16_t>(std::stoul(argv[i + 2])), 0, {}};
        if (!ReadAll(argv[i + 3], r.data)) return Fail(std::string("cannot read ") + argv[i + 3]);
        pe.SetResource(std::move(r));
    }
    std::vector<std::uint8_t> out;
    if (!pe.Write(out, error)) return Fail(std::string(argv[1]) + ": " + error);
    std::ofstream file(argv[2], std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return file.good() ? 0 : Fail(std::string("cannot write ") + argv[2]);
}
