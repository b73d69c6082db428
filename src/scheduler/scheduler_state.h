#pragma once

#include <string>

#include "base/clock.h"
#include "scheduler/engine.h"
#include "scheduler/launcher.h"
#include "scheduler/schedule_changed.h"
#include "scheduler/task_file.h"

namespace chronoreel {

// The scheduler's program-wide state: the task list and its file, the engine with its run
// lists, the selected task and whether the program runs. A window or the headless loop drives
// it; both start it with Main and end it with Shutdown.
class SchedulerState {
  public:
    SchedulerState(Launcher& launcher, const Clock& clock);
    SchedulerState(const SchedulerState&) = delete;
    SchedulerState& operator=(const SchedulerState&) = delete;

    // Fixes the task file, raises the schedule-changed flag, loads every task and selects the
    // first one (none when there is none).
    void Main(std::string taskFilePath, std::string defaultChronoreelPath);
    // Drops the runs' task references, saves every changed task and the general settings,
    // drops the tasks. Running movie makers are left running.
    // false when the tasks could not be saved (Tasks().Ini().TakeWriteError() says why).
    bool Shutdown();

    TaskFile& Tasks() { return tasks_; }
    const TaskFile& Tasks() const { return tasks_; }
    Engine& GetEngine() { return engine_; }
    const Engine& GetEngine() const { return engine_; }
    ScheduleChangedFlag& ScheduleChanged() { return scheduleChanged_; }
    Launcher& GetLauncher() { return launcher_; }

    // Position of the selected task, -1 for none.
    int SelectedTask() const { return selectedTask_; }
    void SetSelectedTask(int position) { selectedTask_ = position; }
    bool AppRunning() const { return appRunning_; }

  private:
    Launcher& launcher_;
    ScheduleChangedFlag scheduleChanged_;
    TaskFile tasks_;
    Engine engine_;
    int selectedTask_ = -1;
    bool appRunning_ = false;
};

}  // namespace chronoreel
