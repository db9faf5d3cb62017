#include "app/SetupCommandLine.h"

#include <cstdint>
#include <vector>

#include "framework/CommandLineText.h"

namespace app {

namespace {

using framework::CommandArgument;

// "/S" anywhere on the line, whatever else is wrong with it: a word between
// blanks that reads "/S" once its quotes are dropped, also where a quote left
// open made it part of another argument. A run that no one watches then shows
// no box for its bad line.
bool HasSilentWord(std::string_view commandLine) {
    std::string word;
    for (std::size_t i = 0; i <= commandLine.size(); ++i) {
        if (i == commandLine.size() || commandLine[i] == ' ' || commandLine[i] == '\t') {
            if (word.size() == 2 && framework::StartsWithNoCase(word, "/S")) return true;
            word.clear();
        } else if (commandLine[i] != '"') {
            word += commandLine[i];
        }
    }
    return false;
}

bool SetMode(SetupOptions& options, SetupMode mode, std::string& error) {
    if (options.mode != SetupMode::Interactive) {
        error = options.mode == mode ? "a switch is given twice." : "/S and /PASSIVE exclude each other.";
        return false;
    }
    options.mode = mode;
    return true;
}

bool SetScope(SetupOptions& options, install::InstallScope scope, std::string& error) {
    if (options.scope) {
        error = *options.scope == scope ? "a switch is given twice." : "/CURRENTUSER and /ALLUSERS exclude each other.";
        return false;
    }
    options.scope = scope;
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

// Takes one switch into parsed; false, with the error set, when the argument is none setup knows.
bool TakeSwitch(const CommandArgument& argument, ParsedCommandLine& parsed) {
    SetupOptions& options = parsed.options;
    std::string& error = parsed.error;
    const std::optional<framework::CommandSwitch> read = framework::ReadSwitch(argument);
    if (!read) {
        error = "\"" + std::string(argument.written) + "\" is not a switch setup knows.";
        return false;
    }
    const std::string& name = read->name;
    const bool flag = !read->value;
    if (name == "S" && flag) return SetMode(options, SetupMode::Silent, error);
    if (name == "PASSIVE" && flag) return SetMode(options, SetupMode::Passive, error);
    if (name == "CURRENTUSER" && flag) return SetScope(options, install::InstallScope::User, error);
    if (name == "ALLUSERS" && flag) return SetScope(options, install::InstallScope::Machine, error);
    if (name == "CLOSEAPPLICATIONS" && flag) return SetFlag(options.closeApplications, error);
    if (name == "NORESTART" && flag) return SetFlag(options.noRestart, error);
    if (name == "DIR") return SetPath(options.destination, "/DIR", read->value, error);
    if (name == "D" && !flag) return SetPath(options.destination, "/D", read->value, error);
    if (name == "LOG") return SetPath(options.logFile, "/LOG", read->value, error);
    if (name == "?" && flag) {
        parsed.showUsage = true;
        return true;
    }
    error = "/" + name + (flag ? "" : "=") + " is not a switch setup knows.";
    return false;
}

}  // namespace

ParsedCommandLine ParseSetupCommandLine(std::string_view commandLine) {
    ParsedCommandLine parsed;
    parsed.options.commandLine = std::string(commandLine);
    const std::vector<CommandArgument> arguments = framework::SplitCommandLine(commandLine);
    parsed.quietRefusal = HasSilentWord(commandLine);
    for (const CommandArgument& argument : arguments) {
        if (framework::StartsWithNoCase(argument.written, "/D=")) {
            // NSIS's rule: written unquoted, the destination is the rest of the line.
            const std::string_view path = framework::TrimBlanks(commandLine.substr(argument.start + 3));
            if (path.find('"') != std::string_view::npos) {
                parsed.error = "/D= takes the folder unquoted, as the last argument (or use /DIR=\"...\").";
            } else {
                SetPath(parsed.options.destination, "/D", std::string(path), parsed.error);
            }
            break;
        }
        if (!TakeSwitch(argument, parsed)) break;
    }
    if (!parsed.error.empty()) parsed.showUsage = false;
    return parsed;
}

std::string SetupUsageText() {
    return "Usage: setup.exe [/S | /PASSIVE] [/CURRENTUSER | /ALLUSERS]\n"
           "                 [/CLOSEAPPLICATIONS] [/NORESTART]\n"
           "                 [/DIR=\"folder\"] [/LOG=\"file\"] [/D=folder]\n"
           "\n"
           "/S  -  install silently: no window and no message\n"
           "/PASSIVE  -  show the progress only; no input, no message\n"
           "/CURRENTUSER  -  install for the current user only (no administrator rights)\n"
           "/ALLUSERS  -  install for all users (administrator rights)\n"
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
