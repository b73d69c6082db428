#pragma once

#include <optional>
#include <string>

#include "scheduler/run_lock.h"

namespace chronoreel {

// Exit code when another scheduler already works on the task file (EX_TEMPFAIL).
inline constexpr int kExitSchedulerBusy = 75;
// Exit code when the task file's folder cannot hold the lock (EX_CANTCREAT).
inline constexpr int kExitCannotLock = 73;
// Exit code when the task file exists but cannot be read (EX_NOINPUT).
inline constexpr int kExitUnreadableTaskFile = 66;

// A scheduler's hold on its task file, window or headless: only one scheduler works on a task
// file (two would start every run twice), and none on a task file it cannot read (it would look
// like a quiet day, and the first save would replace the file with an empty list).
struct TaskFileClaim {
    std::optional<TaskFileRunLock> lock;  // held while the scheduler runs; empty: refused
    int exitCode = 0;                     // when refused
    std::string message;                  // when refused: why, without the program's name
};

TaskFileClaim ClaimTaskFile(const std::string& taskFilePath);

}  // namespace chronoreel
