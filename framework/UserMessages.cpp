#include "framework/UserMessages.h"

namespace framework {

void ShowDefaultMessage(std::string_view text, MessageIcon icon);  // per platform

namespace {
MessageSink& CurrentSink() {
    static MessageSink sink;
    return sink;
}
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
