#include "scheduler/headless.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>

#include "app/date_time.h"
#include "scheduler/headless_log.h"
#include "scheduler/launcher.h"
#include "scheduler/run_lock.h"
#include "scheduler/scheduler_state.h"
#include "suntime/clock.h"

namespace chronoreel {
namespace {

// Ticks come this long after each whole second, so that a tick never lands just before the
// minute it is meant to see.
constexpr int kTickOffsetMilliseconds = 20;

// Signals reach the loop through a pipe: the handler only writes a byte, the loop wakes up.
int stopPipe[2] = {-1, -1};
std::atomic<bool> stopRequested{false};

extern "C" void OnStopSignal(int) {
    const int savedErrno = errno;
    stopRequested.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
    errno = savedErrno;
}

bool InstallStopSignals(std::string& message) {
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        message = "cannot create the signal pipe";
        return false;
    }
    stopRequested.store(false);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0) {
        message = "cannot catch SIGINT and SIGTERM";
        return false;
    }
    // A log reader that goes away must not end the scheduler (the movie makers get SIGPIPE
    // back at its default when they start).
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void RestoreStopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    stopPipe[0] = stopPipe[1] = -1;
}

// Milliseconds from now to the next tick: just after the next whole second of the clock.
int MillisecondsToNextTick(DateTime now) {
    const double seconds = now * kSecondsPerDay;
    const double intoSecond = seconds - std::floor(seconds);
    const int wait =
        static_cast<int>(std::ceil((1.0 - intoSecond) * 1000.0)) + kTickOffsetMilliseconds;
    return std::clamp(wait, 1, 1000 + kTickOffsetMilliseconds);
}

// Sleeps until the next tick; false when a stop signal came.
bool WaitForNextTick(const Clock& clock) {
    pollfd wake{stopPipe[0], POLLIN, 0};
    const int result = ::poll(&wake, 1, MillisecondsToNextTick(clock.Now()));
    (void)result;  // a timeout, a signal byte or an interruption: the flag says which
    return !stopRequested.load();
}

// Running with no tasks because the file could not be read would look like a quiet day, and
// the save at the end could not write it either.
bool TaskFileReadable(const std::string& taskFilePath) {
    if (::access(taskFilePath.c_str(), F_OK) == 0 && ::access(taskFilePath.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "chronoreel-scheduler: cannot read the task file %s\n",
                     taskFilePath.c_str());
        return false;
    }
    return true;
}

void ReportLoaded(const TaskFile& tasks) {
    const std::string& movieMaker = tasks.ChronoreelPath();
    std::fprintf(stderr, "chronoreel-scheduler: %d task(s) from %s, movie maker %s\n",
                 static_cast<int>(tasks.TaskCount()), tasks.TaskFilePath().c_str(),
                 movieMaker.c_str());
    if (movieMaker.find('/') != std::string::npos && ::access(movieMaker.c_str(), X_OK) != 0) {
        std::fprintf(stderr,
                     "chronoreel-scheduler: warning: the movie maker %s cannot be run; runs will "
                     "end with \"Error\" (ChronoreelPath in the task file names it)\n",
                     movieMaker.c_str());
    }
    std::fflush(stderr);
}

}  // namespace

int RunHeadless(const std::string& taskFilePath, const std::string& defaultChronoreelPath) {
    if (!TaskFileReadable(taskFilePath)) {
        return kExitUnreadableTaskFile;
    }
    TaskFileRunLock::Refusal refusal;
    const auto lock = TaskFileRunLock::Acquire(taskFilePath, refusal);
    if (!lock) {
        std::fprintf(stderr, "chronoreel-scheduler: %s\n", refusal.message.c_str());
        return refusal.busy ? kExitSchedulerBusy : kExitCannotLock;
    }
    std::string message;
    if (!InstallStopSignals(message)) {
        std::fprintf(stderr, "chronoreel-scheduler: %s\n", message.c_str());
        return kExitSystemError;
    }

    SystemClock clock;
    ChildProcessLauncher launcher;
    SchedulerState state(launcher, clock);
    state.Main(taskFilePath, defaultChronoreelPath);
    HeadlessLog log(stdout);
    state.GetEngine().SetObserver(&log);
    ReportLoaded(state.Tasks());

    do {
        state.GetEngine().Tick();
    } while (!stopRequested.load() && WaitForNextTick(clock));

    // Running movie makers are left running: the launcher lets go of them without a signal.
    state.GetEngine().SetObserver(nullptr);
    state.Shutdown();
    RestoreStopSignals();
    std::fprintf(stderr, "chronoreel-scheduler: stopped, tasks saved\n");
    return 0;
}

}  // namespace chronoreel
