#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chronoreel {

// How a child process ended.
struct ChildExit {
    enum class Kind { kExited, kSignalled };
    Kind kind = Kind::kExited;
    int code = 0;  // the exit code, or the signal number
};

enum class ProcessStatus { kEnded, kRunning, kFailed };

// A started child process. Starting never waits; Status() waits at most about a millisecond.
// Releasing (or destroying) the object never stops the child and never leaves a zombie: a child
// that still runs is reaped in the background when it ends.
//
// The child inherits standard input, output and error and nothing else of our open files. It
// runs in a process group of its own with no signal blocked, so a Ctrl-C or a stop signal meant
// for this program never reaches a child that is meant to outlive a cancel or a release.
class ChildProcess {
  public:
    // Starts arguments[0] (looked up on PATH) with the remaining arguments, directly, without a
    // shell. A program that cannot be started (missing, not executable, no arguments at all)
    // gives an object whose Status() is kFailed and whose StartError() says why.
    static ChildProcess Start(const std::vector<std::string>& arguments);

    ChildProcess() = default;  // no process: Status() is kFailed
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // kEnded once the child has ended (then Exit() holds how), kRunning while it runs after
    // waiting up to `wait` for its end, kFailed when there is no process to follow (not started,
    // released, or no longer waitable; StartError() then says why).
    ProcessStatus Status(std::chrono::milliseconds wait = std::chrono::milliseconds(1));
    std::optional<ChildExit> Exit() const;  // set once Status() has seen the end
    pid_t Pid() const { return pid_; }
    const std::string& StartError() const { return startError_; }
    // Gives up the reference without stopping the child (it is reaped when it ends) and leaves
    // the object empty, as if default-constructed.
    void Release();

  private:
    pid_t pid_ = 0;
    std::optional<ChildExit> exit_;
    std::string startError_;
};

}  // namespace chronoreel
