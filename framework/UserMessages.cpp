#include "framework/UserMessages.h"

namespace framework {

void ShowDefaultMessage(std::string_view text, MessageIcon icon);  // per platform

namespace {
// At namespace scope: a function-local static would need a thread-safe guard,
// which links the runtime's thread library into every Windows program.
// Nothing shows a message during static initialisation.
MessageSink currentSink;
MessageSink& CurrentSink() { return currentSink; }
}  // namespace

void SetMessageSink(MessageSink sink) { CurrentSink() = std::move(sink); }

void ShowMessage(std::string_view text, MessageIcon icon) {
    if (const auto& sink = CurrentSink()) {
        sink(text, icon);
    } else {
        ShowDefaultMessage(text, icon);
    }
}

}  // namespace framework
