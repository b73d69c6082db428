#include "scheduler/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "os/unique_fd.h"

namespace chronoreel {
namespace {

// Writes the holder's process id into the lock file. A failure only costs the refused
// scheduler's hint, never the lock.
void RecordHolder(int fd) {
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        const ssize_t written = ::pwrite(fd, text.data(), text.size(), 0);
        (void)written;
    }
}

// The process id the lock file names; 0 when it names none (a holder that has not written it
// yet, or a file written by hand).
pid_t RecordedHolder(int fd) {
    std::array<char, 32> buffer{};
    const ssize_t got = ::pread(fd, buffer.data(), buffer.size() - 1, 0);
    if (got <= 0) {
        return 0;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(buffer.data(), buffer.data() + got, pid);
    const bool whole = end != buffer.data() && (end == buffer.data() + got || *end == '\n');
    return error == std::errc() && whole && pid > 0 ? pid : 0;
}

std::string BusyMessage(const std::string& taskFilePath, const TaskFileRunLock::Refusal& refusal) {
    std::string message = "another scheduler is already running on the task file " + taskFilePath;
    if (refusal.holderPid > 0) {
        message += " (process " + std::to_string(refusal.holderPid);
        if (!refusal.holderName.empty()) {
            message += ", " + refusal.holderName;
        }
        message += ")";
    }
    return message;
}

}  // namespace

std::string ProgramNameOfProcess(pid_t pid) {
    std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::string first;
    if (!cmdline || !std::getline(cmdline, first, '\0')) {
        return {};
    }
    return std::filesystem::path(first).filename().string();
}

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
        if (refusal.busy) {
            refusal.holderPid = RecordedHolder(fd.Get());
            refusal.holderName =
                refusal.holderPid > 0 ? ProgramNameOfProcess(refusal.holderPid) : std::string();
            refusal.message = BusyMessage(taskFilePath, refusal);
        } else {
            refusal.message = "cannot lock " + lockPath + ": " + std::strerror(error);
        }
        return std::nullopt;
    }
    RecordHolder(fd.Get());
    return TaskFileRunLock(std::move(fd));
}

}  // namespace chronoreel
