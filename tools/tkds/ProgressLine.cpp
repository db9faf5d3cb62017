#include "tools/tkds/ProgressLine.h"

#include <unistd.h>

#include <algorithm>

namespace tkds {

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
// How often a line on a terminal is rewritten: often enough to show life, seldom
// enough to cost nothing.
constexpr auto kInPlaceInterval = std::chrono::milliseconds(200);

std::string Format(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Duration(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    if (whole < 60) return std::to_string(whole) + " s";
    const long minutes = whole / 60, rest = whole % 60;
    return std::to_string(minutes) + " min " + (rest < 10 ? "0" : "") + std::to_string(rest) + " s";
}

}  // namespace

ProgressStyle ProgressStyleFor(bool quiet) {
    if (quiet) return ProgressStyle::Quiet;
    return ::isatty(STDERR_FILENO) ? ProgressStyle::InPlace : ProgressStyle::Lines;
}

ProgressLine::ProgressLine(ProgressStyle style, std::size_t files, std::uint64_t bytes, std::FILE* out)
    : style_(style), files_(files), bytes_(bytes), out_(out) {}

void ProgressLine::Start(std::uint32_t dictionary, unsigned threads, std::uint64_t encoderMemory) {
    if (style_ == ProgressStyle::Quiet) return;
    std::fprintf(out_, "payload: %zu files, %s MB; LZMA dictionary %s MB, %u thread%s, encoder memory %s MB\n",
                 files_, Format("%.1f", static_cast<double>(bytes_) / kMegabyte).c_str(),
                 Format("%.1f", dictionary / kMegabyte).c_str(), threads, threads == 1 ? "" : "s",
                 Format("%.0f", static_cast<double>(encoderMemory) / kMegabyte).c_str());
    std::fflush(out_);
    // The first figures show once there is a rate to tell.
    started_ = shown_ = Clock::now();
}

void ProgressLine::Advance(std::size_t filesDone, std::uint64_t bytesRead, std::uint64_t bytesWritten) {
    if (style_ == ProgressStyle::Quiet) return;
    if (style_ == ProgressStyle::InPlace) {
        const Clock::time_point now = Clock::now();
        if (now - shown_ < kInPlaceInterval) return;
        shown_ = now;
        Print(Text(filesDone, bytesRead, bytesWritten), false);
        return;
    }
    // A line each time another tenth of the bytes has been read; the last tenth
    // is the finishing line's.
    const int tenths = bytes_ == 0 ? 0 : static_cast<int>(bytesRead * 10 / bytes_);
    if (tenths <= tenthsShown_ || tenths >= 10) return;
    tenthsShown_ = tenths;
    Print(Text(filesDone, bytesRead, bytesWritten), true);
}

void ProgressLine::Finish(std::uint64_t bytesWritten) {
    if (style_ == ProgressStyle::Quiet) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    const double ratio = bytes_ == 0 ? 0.0 : 100.0 * static_cast<double>(bytesWritten) / static_cast<double>(bytes_);
    Print("payload: " + std::to_string(files_) + " files, " + Format("%.1f", bytes_ / kMegabyte) + " MB read, " +
              Format("%.1f", bytesWritten / kMegabyte) + " MB written (" + Format("%.1f", ratio) + " %), in " +
              Format("%.1f", seconds) + " s",
          true);
}

std::string ProgressLine::Text(std::size_t filesDone, std::uint64_t bytesRead, std::uint64_t bytesWritten) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    const double rate = seconds > 0 ? static_cast<double>(bytesRead) / seconds : 0.0;
    std::string text = "payload: " + std::to_string(filesDone) + "/" + std::to_string(files_) + " files, " +
                       Format("%.1f", bytesRead / kMegabyte) + "/" + Format("%.1f", bytes_ / kMegabyte) +
                       " MB read, " + Format("%.1f", bytesWritten / kMegabyte) + " MB written";
    if (bytesRead != 0) {
        text += " (" + Format("%.1f", 100.0 * static_cast<double>(bytesWritten) / static_cast<double>(bytesRead)) +
                " %)";
    }
    text += ", " + Format("%.1f", rate / kMegabyte) + " MB/s";
    if (rate > 0 && bytesRead < bytes_) text += ", " + Duration(static_cast<double>(bytes_ - bytesRead) / rate) + " left";
    return text;
}

void ProgressLine::Print(const std::string& text, bool lineEnds) {
    if (style_ == ProgressStyle::InPlace) {
        // Rewrites the line in place; blanks cover what a longer earlier text left.
        const std::size_t pad = lastWidth_ > text.size() ? lastWidth_ - text.size() : 0;
        std::fprintf(out_, "\r%s%*s%s", text.c_str(), static_cast<int>(pad), "", lineEnds ? "\n" : "");
        lastWidth_ = lineEnds ? 0 : text.size();
    } else {
        std::fprintf(out_, "%s\n", text.c_str());
    }
    std::fflush(out_);
}

}  // namespace tkds
