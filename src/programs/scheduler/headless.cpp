#include "programs/scheduler/headless.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/date_time.h"
#include "os/stop_signals.h"
#include "programs/scheduler/headless_log.h"
#include "scheduler/launcher.h"
#include "scheduler/scheduler_state.h"

namespace chronoreel {
namespace {

// Ticks come this long after each whole second, so that a tick never lands just before the
// minute it is meant to see.
constexpr int kTickOffsetMilliseconds = 20;

// Milliseconds from now to the next tick: just after the next whole second of the clock.
int MillisecondsToNextTick(DateTime now) {
    const double seconds = now * kSecondsPerDay;
    const double intoSecond = seconds - std::floor(seconds);
    const int wait =
        static_cast<int>(std::ceil((1.0 - intoSecond) * 1000.0)) + kTickOffsetMilliseconds;
    return std::clamp(wait, 1, 1000 + kTickOffsetMilliseconds);
}

// Sleeps until the next tick; false when a stop signal came.
bool WaitForNextTick(const Clock& clock, const StopSignals& stopSignals) {
    pollfd wake{stopSignals.WakeDescriptor(), POLLIN, 0};
    const int result = ::poll(&wake, 1, MillisecondsToNextTick(clock.Now()));
    (void)result;  // a timeout, a signal byte or an interruption: the flag says which
    return !StopSignals::Received();
}

// The defaults written for missing keys at the start, or the tasks at the end, did not reach the
// file: the scheduler works on with what it has in memory, but nobody may think them saved.
void ReportWriteError(TaskFile& tasks, const char* what) {
    if (const std::optional<std::string> error = tasks.Ini().TakeWriteError()) {
        std::fprintf(stderr, "chronoreel-scheduler: %s: %s\n", what, error->c_str());
        std::fflush(stderr);
    }
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
    const StopSignals stopSignals;
    if (stopSignals.WakeDescriptor() < 0) {
        std::fprintf(stderr, "chronoreel-scheduler: cannot create the signal pipe\n");
        return kExitSystemError;
    }
    // A log reader that goes away must not end the scheduler (the movie makers get SIGPIPE
    // back at its default when they start).
    std::signal(SIGPIPE, SIG_IGN);

    SystemClock clock;
    ChildProcessLauncher launcher;
    SchedulerState state(launcher, clock);
    state.Main(taskFilePath, defaultChronoreelPath);
    HeadlessLog log(stdout);
    state.GetEngine().SetObserver(&log);
    ReportWriteError(state.Tasks(), "cannot write the missing keys into the task file");
    ReportLoaded(state.Tasks());

    do {
        state.GetEngine().Tick();
    } while (!StopSignals::Received() && WaitForNextTick(clock, stopSignals));

    // Running movie makers are left running: the launcher lets go of them without a signal.
    state.GetEngine().SetObserver(nullptr);
    if (!state.Shutdown()) {
        ReportWriteError(state.Tasks(), "stopped, but the tasks could not be saved");
        return kExitTasksNotSaved;
    }
    std::fprintf(stderr, "chronoreel-scheduler: stopped, tasks saved\n");
    return 0;
}

}  // namespace chronoreel
