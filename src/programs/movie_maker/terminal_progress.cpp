#include "programs/movie_maker/terminal_progress.h"

#include <cmath>
#include <cstdio>
#include <ostream>
#include <utility>

namespace chronoreel {
namespace {

constexpr double kSecondsBetweenUpdates = 0.2;

std::string Duration(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

std::string ProgressLine(std::size_t position, std::size_t count, double elapsedSeconds) {
    std::string line = "frame " + std::to_string(position) + " of " + std::to_string(count);
    if (elapsedSeconds > 0 && position > 0) {
        const double perSecond = static_cast<double>(position) / elapsedSeconds;
        char rate[32];
        std::snprintf(rate, sizeof rate, ", %.1f frames/s", perSecond);
        line += rate;
        line += ", ";
        line += Duration(static_cast<double>(count - position) / perSecond);
        line += " left";
    }
    return line;
}

TerminalProgress::TerminalProgress(std::ostream& terminal, std::function<double()> secondsNow)
    : terminal_(terminal), secondsNow_(std::move(secondsNow)) {}

TerminalProgress::~TerminalProgress() {
    if (shownLength_ > 0) {
        terminal_ << '\n' << std::flush;
    }
}

void TerminalProgress::Frame(std::size_t position, std::size_t count) {
    const double now = secondsNow_();
    if (startSeconds_ < 0) {
        startSeconds_ = now;
    }
    if (position < count && shownSeconds_ >= 0 && now - shownSeconds_ < kSecondsBetweenUpdates) {
        return;
    }
    shownSeconds_ = now;
    std::string line = ProgressLine(position, count, now - startSeconds_);
    const std::size_t length = line.size();
    if (length < shownLength_) {
        line.append(shownLength_ - length, ' ');  // wipe the end of a longer line
    }
    terminal_ << '\r' << line << std::flush;
    shownLength_ = length;
}

}  // namespace chronoreel
