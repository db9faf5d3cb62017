#include "framework/UserMessages.h"

namespace framework {

// Per platform: the message box, the fatal message and the end of the process.
void ShowDefaultMessage(std::string_view text, MessageIcon icon);
[[noreturn]] void ShowFatalMessageAndExit(const char* text);
[[noreturn]] void EndProcess(int exitCode);

namespace {
// At namespace scope: a function-local static would need a thread-safe guard,
// which links the runtime's thread library into every Windows program.
// Nothing shows a message during static initialisation.
MessageSink currentSink;
MessageSink& CurrentSink() { return currentSink; }
}  // namespace

namespace {
FatalSink fatalSink = nullptr;
int fatalSinkExitCode = 0;
bool inFatalSink = false;
}  // namespace

void SetFatalSink(FatalSink sink, int exitCode) noexcept {
    fatalSink = sink;
    fatalSinkExitCode = exitCode;
}

void FatalExit(const char* text) {
    if (inFatalSink) EndProcess(fatalSinkExitCode);
    if (fatalSink) {
        inFatalSink = true;
        fatalSink(text);
        EndProcess(fatalSinkExitCode);
    }
    ShowFatalMessageAndExit(text);
}

void SetMessageSink(MessageSink sink) { CurrentSink() = std::move(sink); }

void ShowMessage(std::string_view text, MessageIcon icon) {
    if (const auto& sink = CurrentSink()) {
        sink(text, icon);
    } else {
        ShowDefaultMessage(text, icon);
    }
}

}  // namespace framework
