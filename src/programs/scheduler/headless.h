#pragma once

#include <string>

namespace chronoreel {

// Exit code when the tasks could not be saved at the end (EX_IOERR): a full disk, a read-only
// file or folder.
inline constexpr int kExitTasksNotSaved = 74;
// Exit code when the stop signals cannot be caught (EX_OSERR).
inline constexpr int kExitSystemError = 71;

// Runs the scheduler without any window on a task file it holds (ClaimTaskFile): loads the task
// file, ticks once a second and writes one line per run transition on standard output, until
// SIGINT or SIGTERM; then saves the task file and returns 0 (kExitTasksNotSaved when the save
// failed), leaving running movie makers
// running. Messages go to standard error.
int RunHeadless(const std::string& taskFilePath, const std::string& defaultChronoreelPath);

}  // namespace chronoreel
