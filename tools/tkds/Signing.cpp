#include "tools/tkds/Signing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/tkds/FileIo.h"
#include "tools/tkds/PrivateTempFolder.h"

extern char** environ;

namespace tkds {

namespace {

constexpr const char* kSigner = "osslsigncode";
// osslsigncode's messages are a few lines; a runaway one is cut.
constexpr std::size_t kMaxCapturedOutput = 16 * 1024;
// A password goes through a pipe that holds it whole before the signer starts.
constexpr std::size_t kMaxPasswordSize = 4096;

class FileDescriptor {
public:
    FileDescriptor() = default;
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const noexcept { return fd_; }
    void Reset(int fd = -1) noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;

    bool Open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        read.Reset(fds[0]);
        write.Reset(fds[1]);
        return true;
    }
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    posix_spawn_file_actions_t* Get() noexcept { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

std::string ErrnoText(int error) { return std::strerror(error); }

// What osslsigncode printed, as an indented block after the reason: its first
// lines say what went wrong; OpenSSL's error stack after them can run long.
std::string WithOutput(std::string reason, const std::string& output) {
    constexpr int kMaxLines = 6;
    std::string text = std::move(reason);
    int lines = 0;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        if (end > start && ++lines <= kMaxLines) text += "\n  " + output.substr(start, end - start);
        start = end + 1;
    }
    if (lines > kMaxLines) text += "\n  (" + std::to_string(lines - kMaxLines) + " more lines)";
    return text;
}

std::vector<std::string> SignerArguments(const SigningIdentity& identity, const std::string& input,
                                         const std::string& output, std::string_view description,
                                         const std::string& signingTime) {
    std::vector<std::string> args = {kSigner, "sign"};
    if (!identity.pkcs12.empty()) {
        args.insert(args.end(), {"-pkcs12", identity.pkcs12});
    } else {
        args.insert(args.end(), {"-certs", identity.cert, "-key", identity.key});
    }
    // -readpass takes a file; "-" reads the password from standard input.
    if (!identity.passwordFile.empty()) args.insert(args.end(), {"-readpass", identity.passwordFile});
    if (!identity.passwordEnv.empty()) args.insert(args.end(), {"-readpass", "-"});
    args.insert(args.end(), {"-h", "sha256"});
    if (!description.empty()) args.insert(args.end(), {"-n", std::string(description)});
    if (!identity.timestampUrl.empty()) args.insert(args.end(), {"-ts", identity.timestampUrl});
    // The signing time is the one signed attribute that changes from run to run;
    // a build that pins its time pins it too, and the signed file is reproducible.
    if (!signingTime.empty()) args.insert(args.end(), {"-time", signingTime});
    args.insert(args.end(), {"-in", input, "-out", output});
    return args;
}

// Runs the signer with stdin from passwordPipe (or /dev/null) and both output
// streams into one captured text. False with the reason when it cannot start.
bool RunSigner(const std::vector<std::string>& args, Pipe* passwordPipe, int& status, std::string& output,
               std::string& error) {
    Pipe outputPipe;
    if (!outputPipe.Open()) {
        error = "cannot make a pipe: " + ErrnoText(errno);
        return false;
    }
    SpawnActions actions;
    if (passwordPipe) {
        posix_spawn_file_actions_adddup2(actions.Get(), passwordPipe->read.Get(), STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(actions.Get(), outputPipe.write.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.Get(), outputPipe.write.Get(), STDERR_FILENO);

    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawnError = posix_spawnp(&pid, kSigner, actions.Get(), nullptr, argv.data(), environ);
    if (passwordPipe) passwordPipe->read.Reset();
    outputPipe.write.Reset();
    if (spawnError == ENOENT) {
        error = "osslsigncode is not installed (Debian package osslsigncode), or not on PATH";
        return false;
    }
    if (spawnError != 0) {
        error = "cannot run osslsigncode: " + ErrnoText(spawnError);
        return false;
    }

    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(outputPipe.read.Get(), chunk, sizeof chunk);
        if (n > 0) {
            output.append(chunk, static_cast<std::size_t>(n));
            if (output.size() > kMaxCapturedOutput) output.erase(0, output.size() - kMaxCapturedOutput);
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = "cannot wait for osslsigncode: " + ErrnoText(errno);
            return false;
        }
    }
    return true;
}

// SOURCE_DATE_EPOCH, the reproducible-builds convention for a build's time: empty
// when unset, false when it is not a number of seconds.
bool PinnedSigningTime(std::string& seconds, std::string& error) {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    seconds.clear();
    if (!value || !*value) return true;
    const std::string_view text(value);
    if (text.size() > 12 || text.find_first_not_of("0123456789") != std::string_view::npos) {
        error = "SOURCE_DATE_EPOCH is not a number of seconds: '" + std::string(text) + "'";
        return false;
    }
    seconds = text;
    return true;
}

// Puts the password into a pipe that will be the signer's standard input, so
// that it never appears on a command line or in a file.
bool PasswordPipe(const std::string& variable, Pipe& pipe, std::string& error) {
    const char* value = std::getenv(variable.c_str());
    if (!value) {
        error = "the password variable " + variable + " is not set";
        return false;
    }
    const std::size_t size = std::strlen(value);
    if (size > kMaxPasswordSize) {
        error = "the password in " + variable + " is longer than " + std::to_string(kMaxPasswordSize) + " bytes";
        return false;
    }
    if (!pipe.Open()) {
        error = "cannot make a pipe: " + ErrnoText(errno);
        return false;
    }
    const std::string line = std::string(value, size) + "\n";
    if (::write(pipe.write.Get(), line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        error = "cannot pass the password: " + ErrnoText(errno);
        return false;
    }
    pipe.write.Reset();
    return true;
}

}  // namespace

bool ReadSigningOptions(const ParsedArgs& parsed, SigningIdentity& identity, std::string& error) {
    SigningIdentity read;
    read.pkcs12 = parsed.Value(kSignPkcs12);
    read.key = parsed.Value(kSignKey);
    read.cert = parsed.Value(kSignCert);
    read.passwordFile = parsed.Value(kSignPasswordFile);
    read.passwordEnv = parsed.Value(kSignPasswordEnv);
    read.timestampUrl = parsed.Value(kSignTimestamp);
    if (!read.pkcs12.empty() && (!read.key.empty() || !read.cert.empty())) {
        error = "--sign-pkcs12 holds the key and the certificate: give it without --sign-key and --sign-cert";
        return false;
    }
    if (read.key.empty() != read.cert.empty()) {
        error = "--sign-key and --sign-cert go together";
        return false;
    }
    if (!read.passwordFile.empty() && !read.passwordEnv.empty()) {
        error = "give the password from one place: --sign-password-file or --sign-password-env";
        return false;
    }
    if (!read.Wanted() && (!read.passwordFile.empty() || !read.passwordEnv.empty() || !read.timestampUrl.empty())) {
        error = "a signing password or timestamp needs --sign-pkcs12 or --sign-key and --sign-cert";
        return false;
    }
    if (read.passwordFile == "-") {
        error = "--sign-password-file needs a file; a password from outside goes in --sign-password-env";
        return false;
    }
    if (!read.passwordEnv.empty() && !std::getenv(read.passwordEnv.c_str())) {
        error = "the password variable " + read.passwordEnv + " named by --sign-password-env is not set";
        return false;
    }
    identity = std::move(read);
    return true;
}

bool SignPeFile(const SigningIdentity& identity, const std::string& input, const std::string& output,
                std::string_view description, std::string& error) {
    std::error_code ignored;
    if (std::filesystem::symlink_status(output, ignored).type() != std::filesystem::file_type::not_found) {
        error = "cannot sign into " + output + ": it exists";
        return false;
    }
    std::string signingTime;
    if (!PinnedSigningTime(signingTime, error)) return false;
    Pipe passwordPipe;
    if (!identity.passwordEnv.empty() && !PasswordPipe(identity.passwordEnv, passwordPipe, error)) return false;

    int status = 0;
    std::string printed;
    const bool ran = RunSigner(SignerArguments(identity, input, output, description, signingTime),
                               identity.passwordEnv.empty() ? nullptr : &passwordPipe, status, printed, error);
    if (ran && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
        std::filesystem::is_regular_file(output, ignored)) {
        return true;
    }
    std::filesystem::remove(output, ignored);
    if (!ran) return false;
    const std::string how = WIFEXITED(status)   ? "ended with status " + std::to_string(WEXITSTATUS(status))
                            : WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                                  : "ended abnormally";
    error = WithOutput("osslsigncode " + how + (status == 0 ? " and wrote nothing" : ""), printed);
    return false;
}

}  // namespace tkds
