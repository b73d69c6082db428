#include "os/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

#include "base/error_report.h"
#include "os/child_reaper.h"

extern char** environ;

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "modShell";

std::string ErrorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// posix_spawn's two option records, destroyed with the scope.
class SpawnFileActions {
  public:
    SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
  public:
    SpawnAttributes() { posix_spawnattr_init(&attributes_); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* Get() { return &attributes_; }

  private:
    posix_spawnattr_t attributes_;
};

// Whatever this program has open beyond the standard streams (lock files, movie files, sockets
// opened by libraries without close-on-exec) stays out of the child.
int CloseInheritedFiles(SpawnFileActions& actions) {
    return posix_spawn_file_actions_addclosefrom_np(actions.Get(), 3);
}

// A clean signal state: threads of this program may block signals they handle themselves, and
// an ignored SIGPIPE or SIGCHLD would change how shell pipelines in the child behave. The own
// process group keeps terminal signals aimed at this program away from the child.
int PrepareChildState(SpawnAttributes& attributes) {
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    const short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP;
    int error = posix_spawnattr_setflags(attributes.Get(), flags);
    if (error == 0) {
        error = posix_spawnattr_setsigmask(attributes.Get(), &none);
    }
    if (error == 0) {
        error = posix_spawnattr_setsigdefault(attributes.Get(), &defaults);
    }
    if (error == 0) {
        error = posix_spawnattr_setpgroup(attributes.Get(), 0);
    }
    return error;
}

// One look at the child without blocking: the pid when it has ended (status filled), 0 while it
// runs, -1 with errno when it cannot be waited for.
pid_t WaitWithoutBlocking(pid_t pid, int& status) {
    pid_t result = 0;
    do {
        result = waitpid(pid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result;
}

ChildExit ExitFromStatus(int status) {
    if (WIFSIGNALED(status)) {
        return {ChildExit::Kind::kSignalled, WTERMSIG(status)};
    }
    return {ChildExit::Kind::kExited, WEXITSTATUS(status)};
}

}  // namespace

// glibc's posix_spawnp reports a failed exec (missing program, no execute right, bad format)
// as its own result, so "cannot be started" never shows up as a child that exits with 127.
ChildProcess ChildProcess::Start(const std::vector<std::string>& arguments) {
    return Trap(kModule, "ExecCmd", [&] {
        ChildProcess child;
        if (arguments.empty()) {
            child.startError_ = "cannot start a program: the command is empty";
            return child;
        }
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);

        SpawnFileActions actions;
        SpawnAttributes attributes;
        int error = CloseInheritedFiles(actions);
        if (error == 0) {
            error = PrepareChildState(attributes);
        }
        pid_t pid = 0;
        if (error == 0) {
            error =
                posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(), environ);
        }
        if (error != 0) {
            child.startError_ = "cannot start \"" + arguments[0] + "\": " + ErrorText(error);
            return child;
        }
        child.pid_ = pid;
        return child;
    });
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)),
      exit_(std::exchange(other.exit_, std::nullopt)),
      startError_(std::exchange(other.startError_, {})) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Release();
        pid_ = std::exchange(other.pid_, 0);
        exit_ = std::exchange(other.exit_, std::nullopt);
        startError_ = std::exchange(other.startError_, {});
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    Release();
}

ProcessStatus ChildProcess::Status(std::chrono::milliseconds wait) {
    return Trap(kModule, "ProcessStatus", [&] {
        if (exit_) {
            return ProcessStatus::kEnded;
        }
        if (pid_ <= 0) {
            return ProcessStatus::kFailed;
        }
        // Sleeps in steps of at most a millisecond rather than spinning, and sees an end that
        // happens during the wait.
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            int status = 0;
            const pid_t result = WaitWithoutBlocking(pid_, status);
            if (result == pid_) {
                exit_ = ExitFromStatus(status);
                return ProcessStatus::kEnded;
            }
            if (result < 0) {
                startError_ =
                    "cannot wait for process " + std::to_string(pid_) + ": " + ErrorText(errno);
                pid_ = 0;
                return ProcessStatus::kFailed;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) {
                return ProcessStatus::kRunning;
            }
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                deadline - now, std::chrono::milliseconds(1)));
        }
    });
}

std::optional<ChildExit> ChildProcess::Exit() const {
    return exit_;
}

void ChildProcess::Release() {
    Trap(kModule, "CloseProcess", [&] {
        if (pid_ > 0 && !exit_) {
            int status = 0;
            if (WaitWithoutBlocking(pid_, status) == 0) {
                AdoptChild(pid_);
            }
        }
        pid_ = 0;
        exit_.reset();
        startError_.clear();
    });
}

}  // namespace chronoreel
