#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>

#include "os/unique_fd.h"

namespace chronoreel {

// Makes sure only one scheduler works on a task file: two would start every run twice. The
// lock is an advisory lock on a hidden file beside the task file, held for the life of the
// object and never inherited by started programs. The holder writes its process id into the
// file, so that a refused scheduler can say which process holds the task file.
class TaskFileRunLock {
  public:
    // The lock file of a task file: ".<name>.run-lock" in the same folder.
    static std::string LockFilePath(const std::string& taskFilePath);
    // Why the lock was not taken.
    struct Refusal {
        bool busy = false;       // another scheduler holds it
        pid_t holderPid = 0;     // that scheduler, when its lock file names it
        std::string holderName;  // its program name, when it can be found
        std::string message;
    };
    // Takes the lock, or gives nullopt and says why not.
    static std::optional<TaskFileRunLock> Acquire(const std::string& taskFilePath,
                                                  Refusal& refusal);

  private:
    explicit TaskFileRunLock(UniqueFd fd) : fd_(std::move(fd)) {}
    // Closing the descriptor releases the lock; the file stays for the next scheduler.
    UniqueFd fd_;
};

// The program name of a running process (the file name of its first argument), "" when the
// process or its command line cannot be read.
std::string ProgramNameOfProcess(pid_t pid);

}  // namespace chronoreel
