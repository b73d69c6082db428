#include "programs/movie_maker/terminal_progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace chronoreel {
namespace {

TEST(TerminalProgress, LineShowsRateAndTimeLeft) {
    EXPECT_EQ(ProgressLine(0, 600, 0.0), "frame 0 of 600");
    EXPECT_EQ(ProgressLine(150, 600, 3.0), "frame 150 of 600, 50.0 frames/s, 0:09 left");
    EXPECT_EQ(ProgressLine(1, 100000, 2.0), "frame 1 of 100000, 0.5 frames/s, 55:33:18 left");
    EXPECT_EQ(ProgressLine(600, 600, 12.0), "frame 600 of 600, 50.0 frames/s, 0:00 left");
}

TEST(TerminalProgress, RewritesItsLineAtMostFiveTimesASecondAndEndsIt) {
    std::ostringstream terminal;
    double now = 100.0;
    {
        TerminalProgress progress(terminal, [&now] { return now; });
        for (int frame = 1; frame <= 10; ++frame) {
            progress.Frame(static_cast<std::size_t>(frame), 10);
            now += 0.0625;  // exact in binary
        }
    }
    const std::string shown = terminal.str();
    EXPECT_EQ(shown.front(), '\r');
    EXPECT_EQ(shown.back(), '\n');
    // Frames 1, 5 and 9 are a quarter second apart; frame 10 is the last one, always shown.
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\r'), 4) << shown;
    EXPECT_NE(shown.find("frame 10 of 10"), std::string::npos);
}

}  // namespace
}  // namespace chronoreel
