#include "framework/RunLog.h"

namespace framework {

void RunLog::RegistryValue(std::string_view root, std::string_view valuePath, std::string_view data,
                           bool written) {
    Write(written ? "registry value" : "registry value not written", std::string(root) + "\\" + std::string(valuePath) + " = " + std::string(data));
}

void RunLog::Outcome(std::string_view outcome, int exitCode, std::string_view message) {
    std::string text = std::string(outcome) + " (exit code " + std::to_string(exitCode) + ")";
    if (!message.empty()) text += ": " + std::string(message);
    Write("outcome", text);
}

void RunLog::Write(std::string_view label, std::string_view text) {
    if (!sink_) return;
    std::string line(label);
    line += ": ";
    // Line breaks inside the text continue the entry on indented lines.
    std::string_view rest = text;
    while (true) {
        const auto end = rest.find('\n');
        std::string_view part = rest.substr(0, end);
        if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
        line += convert_ ? convert_(part) : std::string(part);
        line += "\r\n";
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
        line += "    ";
    }
    if (!sink_(line)) intact_ = false;
}

}  // namespace framework
