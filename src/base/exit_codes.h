#pragma once

namespace chronoreel {

// Exit codes of the movie maker (and the scheduler's --help/--version/headless end).
enum ExitCode : int {
    kExitMovieWritten = 0,
    kExitNothingToDo = 3,
    kExitCancelled = 4,
    kExitWriteFailed = 5,
    kExitUsage = 64,
    kExitUnexpectedError = 70,
};

}  // namespace chronoreel
