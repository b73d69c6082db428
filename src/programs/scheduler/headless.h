#pragma once

#include <string>

namespace chronoreel {

// Exit code when the stop signals cannot be caught (EX_OSERR).
inline constexpr int kExitSystemError = 71;

// Runs the scheduler without any window on a task file it holds (ClaimTaskFile): loads the task
// file, ticks once a second and writes one line per run transition on standard output, until
// SIGINT or SIGTERM; then saves the task file and returns 0, leaving running movie makers
// running. Messages go to standard error.
int RunHeadless(const std::string& taskFilePath, const std::string& defaultChronoreelPath);

}  // namespace chronoreel
