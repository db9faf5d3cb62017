// libFuzzer entry for fuzz::CheckPeResources (FuzzChecks.h): any input that breaks one of
// its rules aborts with the rule's text.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t length) {
    const auto outcome = fuzz::CheckPeResources(bytes, length);
    if (!outcome.broken.empty()) {
        std::fprintf(stderr, "broken rule: %s\n", outcome.broken.c_str());
        std::abort();
    }
    return 0;
}
