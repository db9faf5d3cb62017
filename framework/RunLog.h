#pragma once
// A plain UTF-8 log of one run (setup's and the uninstaller's /LOG=FILE), one
// line per event, "label: text", lines ending in CR LF. The programs' texts are
// in the system's ANSI code page: the converter given turns them into UTF-8.
// A message of several lines is written as its first line and the rest indented.
#include <functional>
#include <string>
#include <string_view>

namespace framework {

class RunLog {
public:
    // Receives each finished line (UTF-8, CR LF); false when it could not be written.
    using Sink = std::function<bool(std::string_view line)>;
    using ToUtf8 = std::function<std::string(std::string_view ansi)>;

    // No sink: nothing is logged.
    RunLog() = default;
    RunLog(Sink sink, ToUtf8 convert) : sink_(std::move(sink)), convert_(std::move(convert)) {}

    bool Enabled() const noexcept { return static_cast<bool>(sink_); }
    // False once a line could not be written.
    bool Intact() const noexcept { return intact_; }

    void CommandLine(std::string_view commandLine) { Write("command line", commandLine); }
    void Stage(std::string_view text) { Write("stage", text); }
    void FolderCreated(std::string_view path) { Write("folder created", path); }
    void FileWritten(std::string_view path) { Write("file written", path); }
    void ShortcutMade(std::string_view path) { Write("shortcut made", path); }
    void ShortcutLost(std::string_view where) { Write("shortcut not made", where); }
    // root: "HKLM" or "HKCU"; valuePath: key, "\", value name; written: false
    // when the value could not be stored.
    void RegistryValue(std::string_view root, std::string_view valuePath, std::string_view data,
                       bool written = true);
    void Removed(std::string_view what) { Write("removed", what); }
    void NotRemoved(std::string_view why) { Write("not removed", why); }
    // Something that was to go and stays, and why ("... was not removed: ...").
    void Kept(std::string_view why) { Write("kept", why); }
    // The end: "installed", "cancelled", "failed", ... with the exit code and,
    // when there is one, the message a box would have shown.
    void Outcome(std::string_view outcome, int exitCode, std::string_view message = {});

    void Write(std::string_view label, std::string_view text);

private:
    Sink sink_;
    ToUtf8 convert_;
    bool intact_ = true;
};

}  // namespace framework
