#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fakes.h"
#include "scheduler/engine.h"
#include "scheduler/interval_times.h"
#include "scheduler/task_grid.h"

namespace chronoreel {
namespace {

using testing::FakeClock;
using testing::FakeLauncher;

std::vector<int> MinutesOn(const Task& task) {
    std::vector<int> minutes;
    for (int minute = 0; minute < Task::kMinutesPerDay; ++minute) {
        if (task.SetupTimesIndex(minute)) {
            minutes.push_back(minute);
        }
    }
    return minutes;
}

TEST(IntervalTimes, AddTurnsOnEveryStepFromMidnightAndKeepsWhatWasOn) {
    Task task(nullptr);
    task.SetSetupTimesIndex(7, true);
    AddIntervalTimes(task, 15);
    std::vector<int> minutes = MinutesOn(task);
    EXPECT_EQ(minutes.size(), 97u);  // 96 quarter hours and minute 7
    EXPECT_EQ(minutes.front(), 0);
    EXPECT_EQ(minutes[1], 7);
    EXPECT_EQ(minutes.back(), 23 * 60 + 45);

    ClearAllTimes(task);
    AddIntervalTimes(task, 30);
    AddIntervalTimes(task, 60);
    EXPECT_EQ(MinutesOn(task).size(), 48u);
    AddIntervalTimes(task, 0);  // no step chosen: nothing happens, and nothing loops
    AddIntervalTimes(task, -5);
    EXPECT_EQ(MinutesOn(task).size(), 48u);
    ClearAllTimes(task);
    EXPECT_TRUE(MinutesOn(task).empty());
}

TEST(IntervalTimes, ChoicesAndMinuteTexts) {
    EXPECT_EQ(IntervalChoicePosition(15), 4);
    EXPECT_EQ(IntervalChoicePosition(60), 7);
    EXPECT_EQ(IntervalChoicePosition(3), -1);
    EXPECT_EQ(MinuteOfDayText(0), "12:00 AM");
    EXPECT_EQ(MinuteOfDayText(1), "12:01 AM");
    EXPECT_EQ(MinuteOfDayText(13 * 60 + 5), "1:05 PM");
    EXPECT_EQ(MinuteOfDayText(1439), "11:59 PM");
}

TEST(TaskGrid, RowsComeCompletedRunningQueuedToDoAndStopAtAHundred) {
    FakeClock clock(MakeDateTime(2026, 3, 1, 7, 59, 30));
    FakeLauncher launcher;
    ScheduleChangedFlag flag;
    TaskFile tasks(flag);
    tasks.SetPaths("", "/opt/chronoreel/chronoreel");
    Engine engine(tasks, launcher, clock, flag);
    const auto task = tasks.CreateTask();
    task->SetName("Roof");
    task->SetIndex(1);
    AddIntervalTimes(*task, 1);
    tasks.Append(task);

    TaskRun run;
    run.task = task;
    run.scheduled = MakeDateTime(2026, 3, 1, 7, 0, 0);
    run.started = run.scheduled;
    run.completed = MakeDateTime(2026, 3, 1, 7, 1, 0);
    engine.AddCompletedTask(run, RunStatus::kSkipped);
    run.completed = 0;
    run.scheduled = 0;  // started by hand
    engine.AddRunningTask(run, RunStatus::kRunning);
    run.started = 0;
    run.scheduled = MakeDateTime(2026, 3, 1, 7, 59, 0);
    engine.AddQueuedTask(run, RunStatus::kWaiting);
    engine.DetermineToDoTasks(clock.Now());
    ASSERT_EQ(engine.ToDoTasks().Count(), 101);

    const std::vector<TaskGridRow> rows = TaskGridRows(engine);
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[0], (TaskGridRow{"Roof", "03/01/2026 07:00:00 AM", "03/01/2026 07:00:00 AM",
                                    "03/01/2026 07:01:00 AM", "Skipped"}));
    EXPECT_EQ(rows[1], (TaskGridRow{"Roof", "N/A", "03/01/2026 07:00:00 AM", "N/A", "Running"}));
    EXPECT_EQ(rows[2], (TaskGridRow{"Roof", "03/01/2026 07:59:00 AM", "N/A", "N/A", "Waiting"}));
    EXPECT_EQ(rows[3][4], "Idle");
    EXPECT_EQ(rows[99][1], GridTimeText(engine.ToDoTasks()[96].scheduled));
}

}  // namespace
}  // namespace chronoreel
