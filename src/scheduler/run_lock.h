#pragma once

#include <optional>
#include <string>

namespace chronoreel {

// Makes sure only one scheduler works on a task file: two would start every run twice. The
// lock is an advisory lock on a hidden file beside the task file, held for the life of the
// object and never inherited by started programs.
class TaskFileRunLock {
  public:
    // The lock file of a task file: ".<name>.run-lock" in the same folder.
    static std::string LockFilePath(const std::string& taskFilePath);
    // Why the lock was not taken.
    struct Refusal {
        bool busy = false;  // another scheduler holds it
        std::string message;
    };
    // Takes the lock, or gives nullopt and says why not.
    static std::optional<TaskFileRunLock> Acquire(const std::string& taskFilePath,
                                                  Refusal& refusal);

    TaskFileRunLock(TaskFileRunLock&& other) noexcept;
    TaskFileRunLock& operator=(TaskFileRunLock&& other) noexcept;
    TaskFileRunLock(const TaskFileRunLock&) = delete;
    TaskFileRunLock& operator=(const TaskFileRunLock&) = delete;
    ~TaskFileRunLock();

  private:
    explicit TaskFileRunLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace chronoreel
