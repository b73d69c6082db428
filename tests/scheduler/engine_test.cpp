#include "scheduler/engine.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes.h"

namespace chronoreel {
namespace {

using testing::FakeClock;
using testing::FakeLauncher;

constexpr int kMinutesPerDay = 1440;

DateTime At(int day, int hour, int minute, double second = 0) {
    return MakeDateTime(2026, 3, day, hour, minute, second);
}

// Records the engine's reports as short lines.
class Recorder final : public EngineObserver {
  public:
    void RunQueued(const TaskRun& run, DateTime) override {
        events.push_back("queued " + Name(run));
    }
    void RunStarted(const TaskRun& run, DateTime) override {
        events.push_back("started " + Name(run));
    }
    void RunEnded(const TaskRun& run, DateTime) override {
        events.push_back("ended " + Name(run) + " " + std::string(StatusText(run.status)));
    }
    void RunsChanged() override { ++redraws; }

    std::vector<std::string> events;
    int redraws = 0;

  private:
    static std::string Name(const TaskRun& run) { return run.task->Name(); }
};

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() {
        tasks_.SetPaths("", "/opt/chronoreel/chronoreel");
        engine_.SetObserver(&recorder_);
    }

    std::shared_ptr<Task> AddTask(const std::string& name, std::vector<int> minutes) {
        auto task = tasks_.CreateTask();
        task->SetName(name);
        task->SetIndex(tasks_.TaskCount() + 1);
        for (const int minute : minutes) {
            task->SetSetupTimesIndex(minute, true);
        }
        tasks_.Append(task);
        return task;
    }

    // Ticks once a second from one moment to another, both included.
    void TickThrough(DateTime from, DateTime to) {
        const long seconds = std::lround((to - from) * kSecondsPerDay);
        for (long second = 0; second <= seconds; ++second) {
            TickAt(from + static_cast<double>(second) / kSecondsPerDay);
        }
    }
    void TickAt(DateTime now) {
        clock_.Set(now);
        engine_.Tick();
    }

    FakeClock clock_;
    FakeLauncher launcher_;
    ScheduleChangedFlag flag_;
    TaskFile tasks_{flag_};
    Engine engine_{tasks_, launcher_, clock_, flag_};
    Recorder recorder_;
};

TEST(MinuteTest, MinutesAreCountedWithAGuardAgainstRounding) {
    const DateTime tenOClock = MakeDateTime(2026, 3, 1, 10, 0, 0);
    EXPECT_EQ(MinuteOfDay(tenOClock), 600);
    EXPECT_EQ(MinuteOfDay(tenOClock - 1e-12), 600);  // a hair below the exact minute
    EXPECT_EQ(MinuteOfDay(tenOClock + 59.9 / 86400), 600);
    EXPECT_EQ(MinuteOfDay(MakeDateTime(2026, 3, 1, 23, 59, 59)), 1439);
    EXPECT_EQ(MinuteNumber(tenOClock + 1), MinuteNumber(tenOClock) + kMinutesPerDay);
}

TEST_F(EngineTest, ToDoListHoldsTheNext101RunsInTimeOrder) {
    const auto task = AddTask("Roof", {8 * 60, 20 * 60});
    TickAt(At(1, 7, 59, 30));
    const RunList& toDo = engine_.ToDoTasks();
    ASSERT_EQ(toDo.Count(), 101);
    for (int i = 0; i < 101; ++i) {
        const int day = 1 + i / 2;
        const DateTime expected = i % 2 == 0 ? At(day, 8, 0) : At(day, 20, 0);
        EXPECT_EQ(MinuteNumber(toDo[i].scheduled), MinuteNumber(expected)) << i;
        EXPECT_EQ(toDo[i].status, RunStatus::kIdle);
        EXPECT_EQ(toDo[i].task, task);
    }
    EXPECT_TRUE(engine_.QueuedTasks().Empty());
    EXPECT_TRUE(launcher_.starts.empty());
    EXPECT_FALSE(flag_.IsRaised());
}

TEST_F(EngineTest, ToDoListTiesKeepTaskOrderAndIgnoresTasksWithoutTimes) {
    AddTask("None", {});
    AddTask("Junk", {});
    tasks_.At(1)->SetSetupTimes(std::string(1440, 'x'));  // no "1" anywhere: never due
    AddTask("B", {600});
    AddTask("A", {600});
    TickAt(At(1, 11, 0));
    const RunList& toDo = engine_.ToDoTasks();
    ASSERT_EQ(toDo.Count(), 101);
    EXPECT_EQ(toDo[0].task->Name(), "B");
    EXPECT_EQ(toDo[1].task->Name(), "A");
    EXPECT_EQ(MinuteNumber(toDo[0].scheduled), MinuteNumber(At(2, 10, 0)));
    EXPECT_EQ(MinuteNumber(toDo[100].scheduled), MinuteNumber(At(2, 10, 0) + 50));

    tasks_.At(2)->SetSetupTimes(std::string(1440, '0'));
    tasks_.At(3)->SetSetupTimes("x");
    TickAt(At(1, 11, 0, 1));
    EXPECT_EQ(engine_.ToDoTasks().Count(), 0);
}

TEST_F(EngineTest, DueRunsQueueAndStartInTheSameTickInTaskListOrder) {
    AddTask("Second", {600});
    AddTask("First", {601});
    AddTask("Third", {600});
    TickThrough(At(1, 9, 59, 58.3), At(1, 10, 0, 5.3));
    EXPECT_EQ(launcher_.StartedNames(), (std::vector<std::string>{"Second", "Third"}));
    EXPECT_EQ(recorder_.events, (std::vector<std::string>{"queued Second", "queued Third",
                                                          "started Second", "started Third"}));
    const RunList& running = engine_.RunningTasks();
    ASSERT_EQ(running.Count(), 2);
    EXPECT_EQ(running[0].task->Name(), "Second");
    EXPECT_EQ(running[0].status, RunStatus::kRunning);
    EXPECT_EQ(MinuteNumber(running[0].scheduled), MinuteNumber(At(1, 10, 0)));
    // Scheduled runs record when they started.
    EXPECT_NEAR(running[0].started, At(1, 10, 0, 0.3), 1e-9);
    EXPECT_EQ(running[0].process.commandLine, "/opt/chronoreel/chronoreel /F=\"\" /A /I");
    EXPECT_TRUE(engine_.QueuedTasks().Empty());

    // The rebuild inside 10:00 lists 10:00 again as idle entries; they never start again.
    EXPECT_EQ(MinuteNumber(engine_.ToDoTasks()[0].scheduled), MinuteNumber(At(1, 10, 0)));
    TickThrough(At(1, 10, 0, 6.3), At(1, 10, 1, 2.3));
    EXPECT_EQ(launcher_.StartedNames(), (std::vector<std::string>{"Second", "Third", "First"}));
}

TEST_F(EngineTest, AMissedMinuteIsNotMadeUp) {
    AddTask("Roof", {600});
    TickAt(At(1, 9, 58));
    TickAt(At(1, 10, 30));  // the computer slept through 10:00
    TickAt(At(1, 10, 30, 1));
    EXPECT_TRUE(launcher_.starts.empty());
    TickThrough(At(2, 9, 59, 59.5), At(2, 10, 0, 1.5));
    EXPECT_EQ(launcher_.starts.size(), 1u);
}

TEST_F(EngineTest, TheFirstTickChecksItsOwnMinute) {
    for (const DateTime start : {At(1, 10, 0, 20), At(1, 0, 0, 20)}) {
        FakeLauncher launcher;
        ScheduleChangedFlag flag;
        TaskFile tasks(flag);
        FakeClock clock(start);
        Engine engine(tasks, launcher, clock, flag);
        auto task = tasks.CreateTask();
        task->SetSetupTimesIndex(MinuteOfDay(start), true);
        tasks.Append(task);
        engine.Tick();
        EXPECT_EQ(launcher.starts.size(), 1u) << start;
    }
}

TEST_F(EngineTest, AMinuteTurnedOnAfterItsCheckWaitsForTheNextDay) {
    const auto task = AddTask("Roof", {});
    TickAt(At(1, 10, 0, 0.5));
    task->SetSetupTimesIndex(600, true);
    TickThrough(At(1, 10, 0, 1.5), At(1, 10, 1, 0.5));
    EXPECT_TRUE(launcher_.starts.empty());

    // Turned on before its minute's check, it starts.
    task->SetSetupTimesIndex(602, true);
    TickThrough(At(1, 10, 1, 1.5), At(1, 10, 2, 0.5));
    EXPECT_EQ(launcher_.starts.size(), 1u);
}

TEST_F(EngineTest, ALongRunIsStartedAgainAtItsNextMinute) {
    AddTask("Slow", {600, 601});
    TickThrough(At(1, 9, 59, 59.2), At(1, 10, 1, 0.2));
    EXPECT_EQ(launcher_.starts.size(), 2u);
    EXPECT_EQ(engine_.RunningTasks().Count(), 2);
}

TEST_F(EngineTest, AMinuteSeenAgainAfterTheClockWentBackIsNotStartedTwice) {
    AddTask("Roof", {600});
    TickAt(At(1, 10, 0, 10));
    TickAt(At(1, 10, 1, 0));
    launcher_.EndAll(RunState::kFinished);
    TickAt(At(1, 10, 1, 1));
    ASSERT_EQ(engine_.CompletedTasks().Count(), 1);
    TickAt(At(1, 10, 0, 30));  // clock set back into 10:00
    EXPECT_EQ(launcher_.starts.size(), 1u);
    EXPECT_TRUE(engine_.QueuedTasks().Empty());
}

TEST_F(EngineTest, EndedRunsMoveToTheCompletedListWithTheirStatus) {
    const struct {
        RunState ending;
        int exitCode;
        RunStatus status;
        const char* text;
    } cases[] = {
        {RunState::kFinished, 0, RunStatus::kFinished, "Finished"},
        {RunState::kSkipped, 3, RunStatus::kSkipped, "Skipped"},
        {RunState::kError, 70, RunStatus::kError, "Error"},
    };
    for (const auto& c : cases) {
        AddTask(c.text, {});
    }
    clock_.Set(At(1, 11, 59, 59));
    for (int i = 0; i < 3; ++i) {
        engine_.RandomStart(tasks_.At(i));
    }
    TickAt(At(1, 12, 0));
    ASSERT_EQ(engine_.RunningTasks().Count(), 3);
    // The middle run ends first; every run is polled once per tick.
    launcher_.End(2, cases[1].ending, cases[1].exitCode);
    TickAt(At(1, 12, 0, 1));
    EXPECT_EQ(engine_.RunningTasks().Count(), 2);
    for (std::uint64_t handle = 1; handle <= 3; ++handle) {
        EXPECT_EQ(launcher_.polls[handle], 2) << handle;
    }
    launcher_.End(1, cases[0].ending, cases[0].exitCode);
    launcher_.End(3, cases[2].ending, cases[2].exitCode);
    TickAt(At(1, 12, 0, 2));
    TickAt(At(1, 12, 0, 3));

    const RunList& completed = engine_.CompletedTasks();
    ASSERT_EQ(completed.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const TaskRun& run = completed[i];
        EXPECT_EQ(run.status, cases[i == 0 ? 1 : i == 1 ? 0 : 2].status);
        EXPECT_EQ(StatusText(run.status), run.task->Name());
        EXPECT_EQ(run.scheduled, 0.0);  // started by hand
        EXPECT_GT(run.started, 0.0);
        EXPECT_GT(run.completed, run.started);
    }
    for (std::uint64_t handle = 1; handle <= 3; ++handle) {
        EXPECT_EQ(launcher_.releases[handle], 1) << handle;
    }
    EXPECT_TRUE(engine_.RunningTasks().Empty());
}

TEST_F(EngineTest, ARunThatCannotStartEndsAsErrorInTheSameTick) {
    AddTask("Roof", {600});
    launcher_.failStarts = true;
    TickAt(At(1, 10, 0, 0.5));
    EXPECT_EQ(recorder_.events,
              (std::vector<std::string>{"queued Roof", "started Roof", "ended Roof Error"}));
    ASSERT_EQ(engine_.CompletedTasks().Count(), 1);
    EXPECT_EQ(engine_.CompletedTasks()[0].status, RunStatus::kError);
    EXPECT_NEAR(engine_.CompletedTasks()[0].completed, At(1, 10, 0, 0.5), 1e-9);
    EXPECT_TRUE(engine_.RunningTasks().Empty());
}

TEST_F(EngineTest, CompletedListKeepsThe50LatestRuns) {
    const auto task = AddTask("Roof", {});
    TaskRun run;
    run.task = task;
    for (int minute = 1; minute <= 60; ++minute) {
        run.scheduled = At(1, 10, 0) + minute / 1440.0;
        engine_.AddCompletedTask(run, RunStatus::kFinished);
    }
    const RunList& completed = engine_.CompletedTasks();
    ASSERT_EQ(completed.Count(), 50);
    EXPECT_EQ(completed.Slots(), 50);
    EXPECT_EQ(MinuteNumber(completed[0].scheduled), MinuteNumber(At(1, 10, 11)));
    EXPECT_EQ(MinuteNumber(completed[49].scheduled), MinuteNumber(At(1, 11, 0)));

    // A run not newer than the oldest kept one is not added; "Run Task Now" runs never are.
    run.scheduled = completed[0].scheduled;
    EXPECT_EQ(engine_.AddCompletedTask(run, RunStatus::kFinished), -1);
    engine_.RandomStart(task);
    launcher_.EndAll(RunState::kFinished);
    TickAt(At(1, 12, 0));
    EXPECT_EQ(completed.Count(), 50);
    EXPECT_EQ(MinuteNumber(completed[0].scheduled), MinuteNumber(At(1, 10, 11)));
    EXPECT_EQ(recorder_.events.back(), "ended Roof Finished");

    // A newer run pushes the oldest out.
    run.scheduled = At(1, 11, 30);
    EXPECT_EQ(engine_.AddCompletedTask(run, RunStatus::kError), 49);
    EXPECT_EQ(MinuteNumber(completed[0].scheduled), MinuteNumber(At(1, 10, 12)));
}

TEST_F(EngineTest, HandStartedRunsSortBeforeScheduledOnes) {
    const auto task = AddTask("Roof", {600});
    TickAt(At(1, 10, 0, 0.5));
    engine_.RandomStart(task);
    const RunList& running = engine_.RunningTasks();
    ASSERT_EQ(running.Count(), 2);
    EXPECT_EQ(running[0].scheduled, 0.0);
    EXPECT_NEAR(running[0].started, At(1, 10, 0, 0.5), 1e-9);
    EXPECT_GT(running[1].scheduled, 0.0);
}

TEST_F(EngineTest, ScheduleChangesRebuildTheListOnceAtTheEndOfATick) {
    const auto task = AddTask("Roof", {});
    TickAt(At(1, 9, 0));
    EXPECT_EQ(recorder_.redraws, 1);  // the first tick always rebuilds
    TickAt(At(1, 9, 0, 1));
    EXPECT_EQ(recorder_.redraws, 1);
    task->SetSetupTimesIndex(700, true);
    task->SetSetupTimesIndex(701, true);
    TickAt(At(1, 9, 0, 2));
    EXPECT_EQ(recorder_.redraws, 2);
    EXPECT_EQ(engine_.ToDoTasks().Count(), 101);
    EXPECT_FALSE(flag_.IsRaised());
}

TEST(RunListTest, InsertsInScheduledOrderAndGrowsAndShrinksBySteps) {
    RunList list(11, RunList::Sizing::kGrowAndShrink);
    TaskRun run;
    const double order[] = {5, 1, 5, 3};
    for (int i = 0; i < 4; ++i) {
        run.scheduled = order[i];
        run.started = i;  // marks arrival
        list.Insert(run, RunStatus::kWaiting);
    }
    const double expectedArrival[] = {1, 3, 0, 2};  // ties keep arrival order
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].started, expectedArrival[i]);
        EXPECT_TRUE(list[i].inUse);
        EXPECT_EQ(list[i].status, RunStatus::kWaiting);
    }
    EXPECT_FALSE(list[4].inUse);

    const struct {
        int count;
        int slots;
    } growth[] = {{11, 11}, {12, 21}, {21, 21}, {22, 31}};
    for (const auto& step : growth) {
        while (list.Count() < step.count) {
            list.Insert(run, RunStatus::kWaiting);
        }
        EXPECT_EQ(list.Slots(), step.slots) << step.count;
    }
    // A list of 31 slots gives back 20 once fewer than 10 runs remain.
    const struct {
        int count;
        int slots;
    } shrink[] = {{10, 31}, {9, 11}, {0, 11}};
    for (const auto& step : shrink) {
        while (list.Count() > step.count) {
            list.Remove(0);
        }
        EXPECT_EQ(list.Slots(), step.slots) << step.count;
    }
}

TEST(RunStatusTest, Texts) {
    const struct {
        int code;
        const char* text;
    } cases[] = {{0, "Idle"},    {1, "Running"}, {2, "Finished"}, {3, "Error"},
                 {4, "Waiting"}, {5, "Skipped"}, {6, "Unknown"},  {-1, "Unknown"}};
    for (const auto& c : cases) {
        EXPECT_EQ(StatusText(static_cast<RunStatus>(c.code)), c.text);
    }
}

}  // namespace
}  // namespace chronoreel
