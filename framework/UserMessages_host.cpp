// Host (Linux) side of the message layer: texts go to stderr, no cursor to change.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/UserMessages.h"

extern "C" char* program_invocation_short_name;

namespace framework {

std::string ApplicationTitle() {
    std::string name = program_invocation_short_name ? program_invocation_short_name : "";
    if (auto dot = name.rfind('.'); dot != std::string::npos && dot != 0) name.erase(dot);
    return name;
}

void ShowDefaultMessage(std::string_view text, MessageIcon) {
    std::fprintf(stderr, "%s: %.*s\n", ApplicationTitle().c_str(), static_cast<int>(text.size()), text.data());
}

void ShowFatalMessageAndExit(const char* text) {
    std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), text);
    std::exit(EXIT_FAILURE);
}

void EndProcess(int exitCode) { std::exit(exitCode); }

WaitCursor::WaitCursor() = default;
WaitCursor::~WaitCursor() = default;

}  // namespace framework
