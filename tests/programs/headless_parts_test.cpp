#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "programs/scheduler/headless_log.h"
#include "programs/scheduler/program_paths.h"
#include "programs/scheduler/scheduler_options.h"
#include "scheduler/run_lock.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using Mode = SchedulerOptions::Mode;

TEST(SchedulerOptionsTest, Arguments) {
    const struct {
        std::vector<std::string> arguments;
        Mode mode;
        const char* taskFile;
    } cases[] = {
        {{}, Mode::kWindow, ""},
        {{"--headless"}, Mode::kHeadless, ""},
        {{"--headless", "--task-file", "/srv/tasks.ini"}, Mode::kHeadless, "/srv/tasks.ini"},
        {{"--task-file=a b.ini", "--headless"}, Mode::kHeadless, "a b.ini"},
        {{"--task-file", "t.ini"}, Mode::kWindow, "t.ini"},
        {{"--headless", "--version"}, Mode::kVersion, ""},
        {{"--bogus", "--help"}, Mode::kHelp, ""},
        {{"--headless", "--task-file"}, Mode::kUsageError, ""},
        {{"--headless", "--task-file="}, Mode::kUsageError, ""},
        {{"--headless", "extra"}, Mode::kUsageError, ""},
        {{"/headless"}, Mode::kUsageError, ""},
    };
    for (const auto& c : cases) {
        const SchedulerOptions options = ParseSchedulerOptions(c.arguments);
        EXPECT_EQ(options.mode, c.mode) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(options.taskFile, c.taskFile) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(options.error.empty(), c.mode != Mode::kUsageError);
    }
    EXPECT_EQ(SchedulerVersionText(), "chronoreel-scheduler 1.0.14\n");
}

TEST(ProgramPathsTest, TaskFileAndMovieMakerDefaults) {
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(TaskFilePathFor(""), current + "/ChronoreelScheduler.INI");
    EXPECT_EQ(TaskFilePathFor("/srv/t.ini"), "/srv/t.ini");
    EXPECT_EQ(TaskFilePathFor("sub/../t.ini"), current + "/t.ini");
    // The movie maker beside the running program (here: the test program).
    EXPECT_EQ(DefaultChronoreelPath(), std::string(CHRONOREEL_BIN_DIR) + "/chronoreel");
}

TEST(RunLockTest, OneSchedulerPerTaskFile) {
    testing::TempDir dir;
    const std::string taskFile = dir / "ChronoreelScheduler.INI";
    EXPECT_EQ(TaskFileRunLock::LockFilePath(taskFile),
              (dir / ".ChronoreelScheduler.INI.run-lock").string());
    TaskFileRunLock::Refusal refusal;
    std::optional<TaskFileRunLock> first = TaskFileRunLock::Acquire(taskFile, refusal);
    ASSERT_TRUE(first.has_value()) << refusal.message;

    EXPECT_FALSE(TaskFileRunLock::Acquire(taskFile, refusal).has_value());
    EXPECT_TRUE(refusal.busy);
    // The refusal names the holder: here this very test program.
    EXPECT_EQ(refusal.holderPid, ::getpid());
    EXPECT_EQ(refusal.message, "another scheduler is already running on the task file " + taskFile +
                                   " (process " + std::to_string(::getpid()) + ", " +
                                   ProgramNameOfProcess(::getpid()) + ")");
    EXPECT_FALSE(ProgramNameOfProcess(::getpid()).empty());
    // Another task file has its own lock.
    EXPECT_TRUE(TaskFileRunLock::Acquire(dir / "other.ini", refusal).has_value());

    first.reset();
    EXPECT_TRUE(TaskFileRunLock::Acquire(taskFile, refusal).has_value());

    refusal = {};
    EXPECT_FALSE(TaskFileRunLock::Acquire(dir / "missing-folder/t.ini", refusal).has_value());
    EXPECT_FALSE(refusal.busy);
    EXPECT_NE(refusal.message.find("cannot create the lock file"), std::string::npos);
}

TEST(HeadlessLogTest, OneLinePerTransition) {
    auto task = std::make_shared<Task>();
    task->SetName("Roof");
    TaskRun run;
    run.task = task;
    run.scheduled = MakeDateTime(2026, 1, 1, 7, 0);
    run.status = RunStatus::kWaiting;
    const DateTime now = MakeDateTime(2026, 1, 1, 7, 0, 0.02);
    EXPECT_EQ(QueuedLine(run, now), "2026-01-01 07:00:00 queued \"Roof\" due 2026-01-01 07:00:00");

    run.status = RunStatus::kRunning;
    run.process.processId = 4242;
    run.process.commandLine = "/usr/bin/chronoreel /F=\"/cam/roof.tls\" /A /I";
    EXPECT_EQ(StartedLine(run, now),
              "2026-01-01 07:00:00 started \"Roof\" pid 4242: /usr/bin/chronoreel "
              "/F=\"/cam/roof.tls\" /A /I");

    const DateTime later = MakeDateTime(2026, 1, 1, 7, 3, 10);
    const struct {
        std::optional<ChildExit> exit;
        const char* startError;
        RunStatus status;
        const char* line;
    } endings[] = {
        {ChildExit{ChildExit::Kind::kExited, 0}, "", RunStatus::kFinished,
         "2026-01-01 07:03:10 ended \"Roof\" exit code 0: Finished"},
        {ChildExit{ChildExit::Kind::kExited, 3}, "", RunStatus::kSkipped,
         "2026-01-01 07:03:10 ended \"Roof\" exit code 3: Skipped"},
        {ChildExit{ChildExit::Kind::kSignalled, 9}, "", RunStatus::kError,
         "2026-01-01 07:03:10 ended \"Roof\" signal 9: Error"},
        {std::nullopt, "No such file or directory", RunStatus::kError,
         "2026-01-01 07:03:10 ended \"Roof\" not started (No such file or directory): Error"},
    };
    for (const auto& e : endings) {
        run.process.exit = e.exit;
        run.process.startError = e.startError;
        run.status = e.status;
        EXPECT_EQ(EndedLine(run, later), e.line);
    }
}

}  // namespace
}  // namespace chronoreel
