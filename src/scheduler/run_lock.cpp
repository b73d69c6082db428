#include "scheduler/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace chronoreel {

std::string TaskFileRunLock::LockFilePath(const std::string& taskFilePath) {
    const std::filesystem::path path(taskFilePath);
    return (path.parent_path() / ("." + path.filename().string() + ".run-lock")).string();
}

std::optional<TaskFileRunLock> TaskFileRunLock::Acquire(const std::string& taskFilePath,
                                                        Refusal& refusal) {
    const std::string lockPath = LockFilePath(taskFilePath);
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        refusal.message = "cannot create the lock file " + lockPath + ": " + std::strerror(errno);
        return std::nullopt;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        refusal.busy = error == EWOULDBLOCK;
        refusal.message =
            refusal.busy ? "another scheduler is already running on the task file " + taskFilePath
                         : "cannot lock " + lockPath + ": " + std::strerror(error);
        return std::nullopt;
    }
    return TaskFileRunLock(fd);
}

TaskFileRunLock::TaskFileRunLock(TaskFileRunLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

TaskFileRunLock& TaskFileRunLock::operator=(TaskFileRunLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TaskFileRunLock::~TaskFileRunLock() {
    // Closing the descriptor releases the lock; the file stays for the next scheduler.
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace chronoreel
