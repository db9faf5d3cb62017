#include "app/SetupCommandLine.h"

#include <cstdint>

#include "framework/CommandLineText.h"

namespace app {

namespace {

using framework::CommandSwitch;

// Any word "/S" on the line, whatever else is wrong with it.
bool HasSilentWord(std::string_view arguments) {
    while (true) {
        arguments = framework::TrimBlanks(arguments);
        if (arguments.empty()) return false;
        std::size_t end = 0;
        while (end < arguments.size() && !framework::IsCommandLineBlank(arguments[end])) ++end;
        const std::string_view word = arguments.substr(0, end);
        if (word.size() == 2 && framework::StartsWithNoCase(word, "/S")) return true;
        arguments.remove_prefix(end);
    }
}

// The word at the start of arguments, for a message about it.
std::string FirstWord(std::string_view arguments) {
    arguments = framework::TrimBlanks(arguments);
    std::size_t end = 0;
    while (end < arguments.size() && !framework::IsCommandLineBlank(arguments[end])) ++end;
    return std::string(arguments.substr(0, end));
}

bool SetMode(SetupOptions& options, SetupMode mode, std::string& error) {
    if (options.mode != SetupMode::Interactive) {
        error = options.mode == mode ? "a switch is given twice." : "/S and /PASSIVE exclude each other.";
        return false;
    }
    options.mode = mode;
    return true;
}

bool SetFlag(bool& flag, std::string& error) {
    if (flag) {
        error = "a switch is given twice.";
        return false;
    }
    flag = true;
    return true;
}

bool SetPath(std::optional<std::string>& field, std::string_view name, const std::optional<std::string>& value,
             std::string& error) {
    if (!value || value->empty()) {
        error = std::string(name) + " needs a value, e.g. " + std::string(name) + "=\"C:\\Folder\".";
        return false;
    }
    if (field) {
        error = std::string(name) == "/LOG" ? "/LOG= is given twice." : "the destination is given twice.";
        return false;
    }
    field = *value;
    return true;
}

}  // namespace

ParsedCommandLine ParseSetupCommandLine(std::string_view commandLine) {
    ParsedCommandLine parsed;
    parsed.options.commandLine = std::string(commandLine);
    std::string_view rest = framework::ArgumentsOf(commandLine);
    parsed.quietRefusal = HasSilentWord(rest);
    std::string& error = parsed.error;
    SetupOptions& options = parsed.options;
    while (error.empty()) {
        rest = framework::TrimBlanks(rest);
        if (rest.empty()) break;
        if (framework::StartsWithNoCase(rest, "/D=")) {
            // NSIS's rule: the destination is the rest of the line, unquoted.
            const std::string_view path = rest.substr(3);
            rest = {};
            if (path.find('"') != std::string_view::npos) {
                error = "/D= takes the folder unquoted, as the last argument (or use /DIR=\"...\").";
            } else {
                SetPath(options.destination, "/D", std::string(path), error);
            }
            break;
        }
        CommandSwitch read;
        if (!framework::ReadSwitch(rest, read)) {
            error = "\"" + FirstWord(rest) + "\" is not a switch setup knows.";
            break;
        }
        if (read.name == "S" && !read.value) {
            SetMode(options, SetupMode::Silent, error);
        } else if (read.name == "PASSIVE" && !read.value) {
            SetMode(options, SetupMode::Passive, error);
        } else if (read.name == "?" && !read.value) {
            parsed.showUsage = true;
        } else if (read.name == "DIR") {
            SetPath(options.destination, "/DIR", read.value, error);
        } else if (read.name == "LOG") {
            SetPath(options.logFile, "/LOG", read.value, error);
        } else if (read.name == "CLOSEAPPLICATIONS" && !read.value) {
            SetFlag(options.closeApplications, error);
        } else if (read.name == "NORESTART" && !read.value) {
            SetFlag(options.noRestart, error);
        } else {
            error = "/" + read.name + (read.value ? "=" : "") + " is not a switch setup knows.";
        }
    }
    if (!error.empty()) parsed.showUsage = false;
    return parsed;
}

std::string SetupUsageText() {
    return "Usage: setup.exe [/S | /PASSIVE] [/CLOSEAPPLICATIONS] [/NORESTART]\n"
           "                 [/DIR=\"folder\"] [/LOG=\"file\"] [/D=folder]\n"
           "\n"
           "/S  -  install silently: no window and no message\n"
           "/PASSIVE  -  show the progress only; no input, no message\n"
           "/CLOSEAPPLICATIONS  -  close the programs that use the product's files, and start them again after\n"
           "/NORESTART  -  never restart the computer (setup never does; 3010 says a restart is needed)\n"
           "/DIR=\"folder\"  -  install into this folder\n"
           "/D=folder  -  the same, as the last argument, unquoted\n"
           "/LOG=\"file\"  -  write a log of the installation to this file\n"
           "/?  -  show this text\n"
           "\n"
           "Exit codes: 0 installed, 3010 installed (files in use are replaced when the computer restarts),\n"
           "1602 cancelled, 1603 failed, 1618 another setup of this product is running, 87 bad command line.";
}

std::string BadCommandLineText(std::string_view error) {
    return "The command line is not valid: " + std::string(error) + "\n\n" + SetupUsageText();
}

std::string AlreadyRunningText() {
    return "Another setup of this product is running. Wait until it has ended, then start this one again.";
}

std::string LockNotTakenText(unsigned long error) {
    return "Setup could not make sure that no other setup of this product is running (system error " +
           std::to_string(error) + "), so it does not start.";
}

std::string WindowNotCreatedText(unsigned long error) {
    return "Setup could not create its window (system error " + std::to_string(error) +
           "). It needs a desktop to run, even when it shows nothing.";
}

SetupOutcome OutcomeOfWindow(long long modalResult) {
    if (modalResult == kEndInstalled) return SetupOutcome::Installed;
    if (modalResult == kEndInstalledRestartNeeded) return SetupOutcome::InstalledRestartNeeded;
    if (modalResult == kEndCancelled) return SetupOutcome::Cancelled;
    return SetupOutcome::Failed;  // kEndFailed, or a window that could not be made
}

int ExitCodeFor(SetupOutcome outcome) {
    switch (outcome) {
        case SetupOutcome::Installed:
            return kExitInstalled;
        case SetupOutcome::InstalledRestartNeeded:
            return kExitRestartNeeded;
        case SetupOutcome::Cancelled:
            return kExitCancelled;
        case SetupOutcome::Failed:
            break;
    }
    return kExitFailed;
}

std::string SetupLockFileName(std::string_view record) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::uint64_t hash = 14695981039346656037ULL;
    for (char c : record) {
        if (c == '\\') c = '/';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    std::string name = "Tolvik.Setup.";
    for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
    return name + ".lock";
}

}  // namespace app
