#pragma once
// Message boxes raised by the framework on behalf of the program's parts (container
// format errors, skin errors, fatal conditions), captioned with the application's
// title: the executable's file name without its extension.
#include <functional>
#include <string>
#include <string_view>

namespace framework {

enum class MessageIcon { Error, Exclamation, Stop, Information };

// Shows text in a modal box with an OK button; returns when the user closes it.
void ShowMessage(std::string_view text, MessageIcon icon);

// The executable's file name without directory and extension ("setup" for setup.exe).
std::string ApplicationTitle();

// Where ShowMessage sends its texts. The default shows a real message box on
// Windows and writes "title: text" to stderr elsewhere; tests install their own
// to capture the texts. Passing an empty function restores the default.
using MessageSink = std::function<void(std::string_view text, MessageIcon icon)>;
void SetMessageSink(MessageSink sink);

// Ends the process at once with a one-line fatal message (FatalAppExitA on Windows).
[[noreturn]] void FatalExit(const char* text);

// For programs that may show nothing (setup's /S and /PASSIVE): FatalExit hands
// its text to sink instead of showing it, then ends the process with exitCode.
// A fatal condition inside the sink ends the process at once with exitCode.
// A null sink restores the fatal message.
using FatalSink = void (*)(const char* text);
void SetFatalSink(FatalSink sink, int exitCode) noexcept;

// The fatal message for memory the program cannot go on without.
inline constexpr char kFatalOutOfMemoryText[] = "Insf. memory. Aborting...";
[[noreturn]] inline void FatalOutOfMemory() { FatalExit(kFatalOutOfMemoryText); }

// The application's wait cursor, shown for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace framework
