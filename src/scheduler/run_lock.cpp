#include "scheduler/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "os/unique_fd.h"

namespace chronoreel {

std::string TaskFileRunLock::LockFilePath(const std::string& taskFilePath) {
    const std::filesystem::path path(taskFilePath);
    std::string name(1, '.');
    name += path.filename().string();
    name += ".run-lock";
    return (path.parent_path() / name).string();
}

std::optional<TaskFileRunLock> TaskFileRunLock::Acquire(const std::string& taskFilePath,
                                                        Refusal& refusal) {
    const std::string lockPath = LockFilePath(taskFilePath);
    UniqueFd fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        refusal.message = "cannot create the lock file " + lockPath + ": " + std::strerror(errno);
        return std::nullopt;
    }
    int result;
    do {
        result = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        refusal.busy = error == EWOULDBLOCK;
        refusal.message =
            refusal.busy ? "another scheduler is already running on the task file " + taskFilePath
                         : "cannot lock " + lockPath + ": " + std::strerror(error);
        return std::nullopt;
    }
    return TaskFileRunLock(std::move(fd));
}

}  // namespace chronoreel
