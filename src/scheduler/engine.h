#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "base/clock.h"
#include "base/date_time.h"
#include "scheduler/launcher.h"
#include "scheduler/run_list.h"
#include "scheduler/schedule_changed.h"
#include "scheduler/task_file.h"

namespace chronoreel {

// Told about every run that changes its list, so that a log or a window can follow the engine.
class EngineObserver {
  public:
    virtual ~EngineObserver() = default;
    virtual void RunQueued(const TaskRun& /*run*/, DateTime /*now*/) {}
    virtual void RunStarted(const TaskRun& /*run*/, DateTime /*now*/) {}
    // The run as it was when its end was seen (also when the completed list did not keep it).
    virtual void RunEnded(const TaskRun& /*run*/, DateTime /*now*/) {}
    // The to-do list was rebuilt at the end of a tick in which anything changed: redraw.
    virtual void RunsChanged() {}
};

// Minute arithmetic on date-time values, with a guard of 0.0001 minute against rounding.
std::int64_t MinuteNumber(DateTime value);  // whole minutes since the date origin
int MinuteOfDay(DateTime value);            // 0 to 1439

// The scheduling engine: once per minute it queues the runs due in that minute, at every tick
// it starts the queued runs and collects the ended ones, and it keeps the four run lists that
// the grid shows: to do, queued, running and completed.
class Engine {
  public:
    static constexpr int kToDoSlots = 101;
    static constexpr int kQueueSlots = 11;
    static constexpr int kRunningSlots = 11;
    static constexpr int kCompletedSlots = 50;

    Engine(TaskFile& tasks, Launcher& launcher, const Clock& clock,
           ScheduleChangedFlag& scheduleChanged);

    void SetObserver(EngineObserver* observer) { observer_ = observer; }

    // One tick of the one-second timer: at the first tick of a new minute queue the runs due
    // in it, start the queued runs, collect the ended ones, rebuild the to-do list if anything
    // changed.
    void Tick();

    void CheckForTaskStarts(DateTime now);
    void StartQueuedTasks(DateTime now);
    void CheckTaskStatus(DateTime now);
    void RefreshTaskGrid(DateTime now);
    // Lists the next 101 (task, minute) pairs from the current minute on.
    void DetermineToDoTasks(DateTime now);
    // Starts one task at once, outside its minutes ("Run Task Now").
    void RandomStart(const std::shared_ptr<Task>& task);

    int AddQueuedTask(const TaskRun& run, RunStatus status);
    int AddRunningTask(const TaskRun& run, RunStatus status);
    // -1 when the history is full and the run is not newer than its oldest entry.
    int AddCompletedTask(const TaskRun& run, RunStatus status);
    void RemoveToDoTask(int slot);
    void RemoveQueuedTask(int slot);
    void RemoveRunningTask(int slot);

    const RunList& ToDoTasks() const { return toDo_; }
    const RunList& QueuedTasks() const { return queued_; }
    const RunList& RunningTasks() const { return running_; }
    const RunList& CompletedTasks() const { return completed_; }
    // The minute seen by the last tick (absolute minute number), none before the first tick.
    std::optional<std::int64_t> LastMinute() const { return lastMinute_; }

    // Drops the task references of every list (at shutdown); processes are left running.
    void ReleaseRuns();

  private:
    bool AlreadyHandled(const Task& task, std::int64_t minute) const;

    TaskFile& tasks_;
    Launcher& launcher_;
    const Clock& clock_;
    ScheduleChangedFlag& scheduleChanged_;
    EngineObserver* observer_ = nullptr;
    RunList toDo_{kToDoSlots, RunList::Sizing::kFixed};
    RunList queued_{kQueueSlots, RunList::Sizing::kGrowAndShrink};
    RunList running_{kRunningSlots, RunList::Sizing::kGrowAndShrink};
    RunList completed_{kCompletedSlots, RunList::Sizing::kFixed};
    std::optional<std::int64_t> lastMinute_;
};

}  // namespace chronoreel
