// One scheduler per task file, whichever way each is started: the real chronoreel-scheduler with
// its window on a private X server (when Xvfb is installed) and headless.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "programs/spawned_program.h"
#include "scheduler/run_lock.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::Contains;
using testing::kSchedulerProgram;
using testing::ReadText;
using testing::Spawn;
using testing::TempDir;
using testing::WaitFor;
using testing::WaitForExit;
using testing::WriteText;

// No display at all: the programs must not find the tester's.
const std::vector<std::string> kNoDisplay = {"DISPLAY=", "WAYLAND_DISPLAY="};

// An X server of its own for the window, on a display number it picks itself; ends with the
// object. Not running when Xvfb is not installed.
class PrivateXServer {
  public:
    PrivateXServer() {
        std::array<int, 2> pipeEnds{-1, -1};
        if (::pipe(pipeEnds.data()) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::vector<std::string> arguments = {"Xvfb", "-displayfd", "3", "-nolisten",
                                                    "tcp",  "-screen",    "0", "1024x768x24"};
        std::vector<char*> argv;
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        char c = 0;
        while (pid_ > 0 && ::read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(pipeEnds[0]);
        if (!number.empty()) {
            display_ = ":" + number;
        }
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or "" when no server runs.
    const std::string& Display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

class SchedulerLockTest : public ::testing::Test {
  protected:
    SchedulerLockTest() {
        WriteText(taskFile,
                  "[General]\nTaskCount=1\nChronoreelPath=" + (dir / "chronoreel").string() +
                      "\n[Task001]\nName=Roof\nSetupFile=/cam/roof.tls\n");
    }

    pid_t Start(const std::vector<std::string>& options, const std::string& name,
                const std::vector<std::string>& environment) {
        std::vector<std::string> arguments = {kSchedulerProgram, "--task-file", taskFile};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return Spawn(arguments, dir / (name + ".out"), dir / (name + ".err"), environment);
    }

    // Waits until the scheduler holds the task file (its process id is in the lock file).
    bool Holds(pid_t scheduler) {
        const std::string lockFile = TaskFileRunLock::LockFilePath(taskFile);
        return WaitFor([&] { return ReadText(lockFile) == std::to_string(scheduler) + "\n"; });
    }

    std::string Refusal(pid_t holder) const {
        return "chronoreel-scheduler: another scheduler is already running on the task file " +
               taskFile + " (process " + std::to_string(holder) + ", chronoreel-scheduler)\n";
    }

    TempDir dir;
    const std::string taskFile = dir / "ChronoreelScheduler.INI";
};

TEST_F(SchedulerLockTest, AHeadlessSchedulerKeepsEveryOtherSchedulerOff) {
    const pid_t headless = Start({"--headless"}, "headless", kNoDisplay);
    ASSERT_GT(headless, 0);
    ASSERT_TRUE(Holds(headless)) << ReadText(dir / "headless.err");

    // Refused before the window would look for a display, and before the second headless one
    // loads anything.
    const pid_t window = Start({}, "window", kNoDisplay);
    const pid_t second = Start({"--headless"}, "second", kNoDisplay);
    EXPECT_EQ(WaitForExit(window), 75);
    EXPECT_EQ(WaitForExit(second), 75);
    EXPECT_EQ(ReadText(dir / "window.err"), Refusal(headless));
    EXPECT_EQ(ReadText(dir / "second.err"), Refusal(headless));
    EXPECT_EQ(ReadText(dir / "second.out"), "");

    ASSERT_EQ(::kill(headless, SIGTERM), 0);
    EXPECT_EQ(WaitForExit(headless), 0);
    // Free again: a window start now gets as far as looking for a display.
    const pid_t windowAfter = Start({}, "after", kNoDisplay);
    EXPECT_EQ(WaitForExit(windowAfter), 64);
    EXPECT_TRUE(Contains(ReadText(dir / "after.err"), "no display found"));
}

TEST_F(SchedulerLockTest, TheWindowKeepsAHeadlessSchedulerOffAndEndsInOrderOnSigterm) {
    const PrivateXServer server;
    if (server.Display().empty()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    const pid_t window =
        Start({}, "window", {"DISPLAY=" + server.Display(), "QT_QPA_PLATFORM=xcb"});
    ASSERT_GT(window, 0);
    ASSERT_TRUE(Holds(window)) << ReadText(dir / "window.err");

    const pid_t headless = Start({"--headless"}, "headless", kNoDisplay);
    EXPECT_EQ(WaitForExit(headless), 75);
    EXPECT_EQ(ReadText(dir / "headless.err"), Refusal(window));

    // SIGTERM (a logout, say) closes the window like its Exit command: the tasks are saved and
    // the task file is free for the next scheduler.
    const std::string before = ReadText(taskFile);
    ASSERT_EQ(::kill(window, SIGTERM), 0);
    EXPECT_EQ(WaitForExit(window), 0) << ReadText(dir / "window.err");
    EXPECT_TRUE(Contains(ReadText(taskFile), "[Task001]\nName=Roof\nSetupFile=/cam/roof.tls\n"));
    EXPECT_TRUE(Contains(ReadText(taskFile), "\nOverrideOutputPath=False\n")) << before;
    TaskFileRunLock::Refusal refusal;
    EXPECT_TRUE(TaskFileRunLock::Acquire(taskFile, refusal).has_value()) << refusal.message;
}

}  // namespace
}  // namespace chronoreel
