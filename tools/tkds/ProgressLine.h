#pragma once
// The payload's progress while tkds encodes it, on standard error: on a terminal
// one line rewritten in place (files, MB read, MB written, ratio so far, rate,
// time left); elsewhere (a build log) a line at each tenth of the bytes read;
// none when quiet.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tkds {

enum class ProgressStyle { InPlace, Lines, Quiet };

// InPlace when standard error is a terminal, Lines when it is not, Quiet when asked.
ProgressStyle ProgressStyleFor(bool quiet);

class ProgressLine {
public:
    ProgressLine(ProgressStyle style, std::size_t files, std::uint64_t bytes, std::FILE* out = stderr);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The largest chunk's dictionary, the threads that encode chunks and what
    // their encoders will hold in memory together, said before they start.
    void Start(std::uint32_t dictionary, unsigned threads, std::uint64_t encoderMemory);
    void Advance(std::size_t filesDone, std::uint64_t bytesRead, std::uint64_t bytesWritten);
    void Finish(std::uint64_t bytesWritten);

private:
    using Clock = std::chrono::steady_clock;
    std::string Text(std::size_t filesDone, std::uint64_t bytesRead, std::uint64_t bytesWritten) const;
    void Print(const std::string& text, bool lineEnds);

    ProgressStyle style_;
    std::size_t files_;
    std::uint64_t bytes_;
    std::FILE* out_;
    Clock::time_point started_ = Clock::now();
    Clock::time_point shown_{};
    int tenthsShown_ = 0;
    std::size_t lastWidth_ = 0;
};

}  // namespace tkds
