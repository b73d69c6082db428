#include "scheduler/scheduler_state.h"

#include "base/error_report.h"

namespace chronoreel {

SchedulerState::SchedulerState(Launcher& launcher, const Clock& clock)
    : launcher_(launcher),
      tasks_(scheduleChanged_),
      engine_(tasks_, launcher, clock, scheduleChanged_) {}

void SchedulerState::Main(std::string taskFilePath, std::string defaultChronoreelPath) {
    Trap("modMain", "Main", [&] {
        tasks_.SetPaths(std::move(taskFilePath), std::move(defaultChronoreelPath));
        scheduleChanged_.Raise();
        tasks_.LoadAll();
        selectedTask_ = tasks_.TaskCount() > 0 ? 0 : -1;
        appRunning_ = true;
    });
}

bool SchedulerState::Shutdown() {
    return Trap("modMain", "Shutdown", [&] {
        engine_.ReleaseRuns();
        const bool saved = tasks_.SaveAll();
        tasks_.Clear();
        selectedTask_ = -1;
        appRunning_ = false;
        return saved;
    });
}

}  // namespace chronoreel
