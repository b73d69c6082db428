#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>

namespace chronoreel {

// "frame 123 of 600, 45.2 frames/s, 0:09 left": the frame loop's progress for a person watching
// a terminal.
std::string ProgressLine(std::size_t position, std::size_t count, double elapsedSeconds);

// Shows the progress line on a terminal, rewritten in place at most five times a second and at
// the last frame; the line is ended when the object goes.
class TerminalProgress {
  public:
    // secondsNow: a steady clock in seconds.
    TerminalProgress(std::ostream& terminal, std::function<double()> secondsNow);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void Frame(std::size_t position, std::size_t count);

  private:
    std::ostream& terminal_;
    std::function<double()> secondsNow_;
    double startSeconds_ = -1;
    double shownSeconds_ = -1;
    std::size_t shownLength_ = 0;
};

}  // namespace chronoreel
