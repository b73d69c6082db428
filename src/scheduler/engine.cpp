#include "scheduler/engine.h"

#include <cmath>
#include <vector>

#include "base/error_report.h"

namespace chronoreel {
namespace {

// How a run that is no longer running ended; a process that never started is an error.
RunStatus EndedStatus(RunState state) {
    switch (state) {
        case RunState::kFinished:
            return RunStatus::kFinished;
        case RunState::kSkipped:
            return RunStatus::kSkipped;
        case RunState::kRunning:
            return RunStatus::kRunning;
        case RunState::kNotStarted:
        case RunState::kError:
            break;
    }
    return RunStatus::kError;
}

constexpr int kMinutesPerDay = Task::kMinutesPerDay;
// Guards the conversion of exact minute values against floating-point error (6 ms).
constexpr double kMinuteGuard = 0.0001;

// A task with at least one start time and a copy of its minute flags.
struct TaskMinutes {
    std::shared_ptr<Task> task;
    std::vector<bool> starts;  // minute of the day -> starts
};

std::vector<TaskMinutes> TasksWithStartTimes(const TaskFile& tasks) {
    std::vector<TaskMinutes> result;
    for (const auto& task : tasks.Tasks()) {
        std::vector<bool> starts(kMinutesPerDay, false);
        bool any = false;
        for (int minute = 0; minute < kMinutesPerDay; ++minute) {
            starts[static_cast<std::size_t>(minute)] = task->SetupTimesIndex(minute);
            any = any || starts[static_cast<std::size_t>(minute)];
        }
        if (any) {
            result.push_back({task, std::move(starts)});
        }
    }
    return result;
}

}  // namespace

std::int64_t MinuteNumber(DateTime value) {
    return static_cast<std::int64_t>(std::floor(value * kMinutesPerDay + kMinuteGuard));
}

int MinuteOfDay(DateTime value) {
    const std::int64_t minute = MinuteNumber(value) % kMinutesPerDay;
    return static_cast<int>(minute < 0 ? minute + kMinutesPerDay : minute);
}

Engine::Engine(TaskFile& tasks, Launcher& launcher, const Clock& clock,
               ScheduleChangedFlag& scheduleChanged)
    : tasks_(tasks), launcher_(launcher), clock_(clock), scheduleChanged_(scheduleChanged) {}

void Engine::Tick() {
    Trap("frmMain", "tmrTasks_Timer", [&] {
        const DateTime now = clock_.Now();
        // Comparing whole minute numbers (not times of day) makes the very first tick check
        // its minute, whatever minute it is, and never mistakes a later day for the same one.
        const std::int64_t minute = MinuteNumber(now);
        if (lastMinute_ != minute) {
            lastMinute_ = minute;
            CheckForTaskStarts(now);
        }
        StartQueuedTasks(now);
        CheckTaskStatus(now);
        RefreshTaskGrid(now);
    });
}

bool Engine::AlreadyHandled(const Task& task, std::int64_t minute) const {
    for (const RunList* list : {&completed_, &running_, &queued_}) {
        for (int slot = 0; slot < list->Count(); ++slot) {
            const TaskRun& run = (*list)[slot];
            if (run.inUse && run.task.get() == &task && MinuteNumber(run.scheduled) == minute) {
                return true;
            }
        }
    }
    return false;
}

void Engine::CheckForTaskStarts(DateTime now) {
    Trap("modMain", "CheckForTaskStarts", [&] {
        const std::int64_t minute = MinuteNumber(now);
        const int minuteOfDay = MinuteOfDay(now);
        // A copy: a window may change the list while observers run.
        const std::vector<std::shared_ptr<Task>> tasks = tasks_.Tasks();
        for (const auto& task : tasks) {
            if (!task->SetupTimesIndex(minuteOfDay)) {
                continue;
            }
            int found = -1;
            for (int slot = 0; slot < toDo_.Count() && found < 0; ++slot) {
                const TaskRun& run = toDo_[slot];
                if (run.inUse && run.task == task && MinuteNumber(run.scheduled) == minute) {
                    found = slot;
                }
            }
            int queuedSlot = -1;
            if (found >= 0) {
                const TaskRun run = toDo_[found];
                queuedSlot = AddQueuedTask(run, RunStatus::kWaiting);
                RemoveToDoTask(found);
            } else if (!AlreadyHandled(*task, minute)) {
                TaskRun run;
                run.inUse = true;
                run.status = RunStatus::kWaiting;
                run.scheduled = static_cast<double>(minute) / kMinutesPerDay;
                run.task = task;
                queuedSlot = AddQueuedTask(run, RunStatus::kWaiting);
            }
            if (queuedSlot >= 0 && observer_ != nullptr) {
                observer_->RunQueued(queued_[queuedSlot], now);
            }
        }
    });
}

void Engine::StartQueuedTasks(DateTime now) {
    Trap("modMain", "StartQueuedTasks", [&] {
        const int waiting = queued_.Count();
        for (int i = 0; i < waiting; ++i) {
            TaskRun run = queued_[0];
            run.started = now;
            const int slot = AddRunningTask(run, RunStatus::kRunning);
            RemoveQueuedTask(0);
            RunProcess process = launcher_.Launch(*run.task, tasks_.ChronoreelPath());
            running_.At(slot).process = std::move(process);
            if (observer_ != nullptr) {
                observer_->RunStarted(running_[slot], now);
            }
        }
    });
}

void Engine::RandomStart(const std::shared_ptr<Task>& task) {
    Trap("modMain", "RandomStart", [&] {
        const DateTime now = clock_.Now();
        TaskRun run;
        run.inUse = true;
        run.scheduled = 0.0;
        run.started = now;
        run.task = task;
        const int slot = AddRunningTask(run, RunStatus::kRunning);
        RunProcess process = launcher_.Launch(*task, tasks_.ChronoreelPath());
        running_.At(slot).process = std::move(process);
        if (observer_ != nullptr) {
            observer_->RunStarted(running_[slot], now);
        }
    });
}

void Engine::CheckTaskStatus(DateTime now) {
    Trap("modMain", "CheckTaskStatus", [&] {
        // Every run present now is polled once; ended runs leave the list, so the slot only
        // advances past runs that still run.
        int slot = 0;
        for (int remaining = running_.Count(); remaining > 0; --remaining) {
            TaskRun& run = running_.At(slot);
            const RunState state = launcher_.PollProcess(run.process);
            if (state == RunState::kRunning) {
                ++slot;
                continue;
            }
            run.completed = now;
            run.status = EndedStatus(state);
            const TaskRun ended = run;
            AddCompletedTask(ended, ended.status);
            RemoveRunningTask(slot);
            if (observer_ != nullptr) {
                observer_->RunEnded(ended, now);
            }
        }
    });
}

void Engine::RefreshTaskGrid(DateTime now) {
    Trap("modMain", "RefreshTaskGrid", [&] {
        if (!scheduleChanged_.IsRaised()) {
            return;
        }
        DetermineToDoTasks(now);
        if (observer_ != nullptr) {
            observer_->RunsChanged();
        }
        scheduleChanged_.Clear();
    });
}

void Engine::DetermineToDoTasks(DateTime now) {
    Trap("modMain", "DetermineToDoTasks", [&] {
        toDo_.Clear();
        // Only tasks with at least one start time take part: the walk ends because every day
        // adds at least one run.
        const std::vector<TaskMinutes> tasks = TasksWithStartTimes(tasks_);
        if (tasks.empty()) {
            return;
        }
        std::vector<bool> anyStarts(kMinutesPerDay, false);
        for (const TaskMinutes& t : tasks) {
            for (int minute = 0; minute < kMinutesPerDay; ++minute) {
                if (t.starts[static_cast<std::size_t>(minute)]) {
                    anyStarts[static_cast<std::size_t>(minute)] = true;
                }
            }
        }
        std::int64_t minute = MinuteNumber(now);
        int minuteOfDay = MinuteOfDay(now);
        while (toDo_.Count() < kToDoSlots) {
            if (anyStarts[static_cast<std::size_t>(minuteOfDay)]) {
                for (const TaskMinutes& t : tasks) {
                    if (toDo_.Count() >= kToDoSlots) {
                        break;
                    }
                    if (t.starts[static_cast<std::size_t>(minuteOfDay)]) {
                        TaskRun run;
                        run.inUse = true;
                        run.status = RunStatus::kIdle;
                        run.scheduled = static_cast<double>(minute) / kMinutesPerDay;
                        run.task = t.task;
                        toDo_.Append(run);
                    }
                }
            }
            ++minute;
            minuteOfDay = (minuteOfDay + 1) % kMinutesPerDay;
        }
    });
}

int Engine::AddQueuedTask(const TaskRun& run, RunStatus status) {
    return Trap("modMain", "AddQueuedTask", [&] {
        scheduleChanged_.Raise();
        return queued_.Insert(run, status);
    });
}

int Engine::AddRunningTask(const TaskRun& run, RunStatus status) {
    return Trap("modMain", "AddRunningTask", [&] {
        scheduleChanged_.Raise();
        return running_.Insert(run, status);
    });
}

int Engine::AddCompletedTask(const TaskRun& run, RunStatus status) {
    return Trap("modMain", "AddCompletedTask", [&] {
        scheduleChanged_.Raise();
        if (completed_.Count() == kCompletedSlots) {
            if (run.scheduled <= completed_[0].scheduled) {
                return -1;
            }
            completed_.Remove(0);
        }
        return completed_.Insert(run, status);
    });
}

void Engine::RemoveToDoTask(int slot) {
    Trap("modMain", "RemoveToDoTask", [&] {
        scheduleChanged_.Raise();
        toDo_.Remove(slot);
    });
}

void Engine::RemoveQueuedTask(int slot) {
    Trap("modMain", "RemoveQueuedTask", [&] {
        scheduleChanged_.Raise();
        queued_.Remove(slot);
    });
}

void Engine::RemoveRunningTask(int slot) {
    Trap("modMain", "RemoveRunningTask", [&] {
        scheduleChanged_.Raise();
        running_.Remove(slot);
    });
}

void Engine::ReleaseRuns() {
    toDo_.Clear();
    queued_.Clear();
    running_.Clear();
    completed_.Clear();
}

}  // namespace chronoreel
