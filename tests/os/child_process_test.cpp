#include "os/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

// Polls until the child has ended; a generous bound keeps a broken build from hanging forever.
ProcessStatus WaitForEnd(ChildProcess& child) {
    const auto giveUp = std::chrono::steady_clock::now() + 30s;
    ProcessStatus status = child.Status();
    while (status == ProcessStatus::kRunning && std::chrono::steady_clock::now() < giveUp) {
        status = child.Status();
    }
    return status;
}

// How a child of ours looks from outside, without collecting it.
enum class Seen { kRunning, kZombie, kCollected };
Seen Look(pid_t pid) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0) {
        return errno == ECHILD ? Seen::kCollected : Seen::kRunning;
    }
    return info.si_pid == pid ? Seen::kZombie : Seen::kRunning;
}

// True once something other than the test has collected pid (the background reaper).
bool EventuallyCollected(pid_t pid) {
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < giveUp) {
        if (Look(pid) == Seen::kCollected) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

TEST(ChildProcess, AProgramThatCannotBeStartedFailsAtOnce) {
    testing::TempDir dir;
    const auto notExecutable = dir / "script.sh";
    testing::WriteText(notExecutable, "#!/bin/sh\nexit 0\n");
    chmod(notExecutable.c_str(), 0644);

    const struct {
        Args arguments;
        const char* because;
    } cases[] = {
        {{"chronoreel-no-such-program-4711", "x"}, "No such file"},
        {{dir.Path().string() + "/missing"}, "No such file"},
        {{notExecutable.string()}, "Permission denied"},
        {{dir.Path().string()}, "Permission denied"},
        {{""}, "No such file"},
        {{}, "empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? std::string("(none)") : c.arguments[0]);
        ChildProcess child = ChildProcess::Start(c.arguments);
        EXPECT_EQ(child.Pid(), 0);
        EXPECT_EQ(child.Status(), ProcessStatus::kFailed);
        EXPECT_FALSE(child.Exit().has_value());
        EXPECT_THAT(child.StartError(), ::testing::HasSubstr(c.because));
    }
}

TEST(ChildProcess, KeepsHowTheChildEnded) {
    const struct {
        Args arguments;
        ChildExit::Kind kind;
        int code;
    } cases[] = {
        {{"true"}, ChildExit::Kind::kExited, 0},
        {{"sh", "-c", "exit 7"}, ChildExit::Kind::kExited, 7},
        {{"sh", "-c", "exit 127"}, ChildExit::Kind::kExited, 127},
        {{"sh", "-c", "kill -TERM $$"}, ChildExit::Kind::kSignalled, SIGTERM},
        {{"sh", "-c", "kill -INT $$"}, ChildExit::Kind::kSignalled, SIGINT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        ChildProcess child = ChildProcess::Start(c.arguments);
        ASSERT_GT(child.Pid(), 0) << child.StartError();
        ASSERT_EQ(WaitForEnd(child), ProcessStatus::kEnded);
        ASSERT_TRUE(child.Exit().has_value());
        EXPECT_EQ(child.Exit()->kind, c.kind);
        EXPECT_EQ(child.Exit()->code, c.code);
        // The end stays known; asking again does not wait for a collected pid.
        EXPECT_EQ(child.Status(), ProcessStatus::kEnded);
        EXPECT_EQ(child.Exit()->code, c.code);
    }
}

TEST(ChildProcess, PassesArgumentsUnchangedWithoutAShell) {
    testing::TempDir dir;
    const auto out = dir / "out.txt";
    const std::string tricky = "a \"b\" $HOME *; `x` 'y'";
    ChildProcess child =
        ChildProcess::Start({"sh", "-c", "printf '%s|' \"$@\" > \"$0\"", out.string(), tricky, ""});
    ASSERT_EQ(WaitForEnd(child), ProcessStatus::kEnded);
    EXPECT_EQ(testing::ReadText(out), tricky + "||");
}

TEST(ChildProcess, ReleaseLeavesARunningChildRunning) {
    ChildProcess child = ChildProcess::Start({"sleep", "5"});
    const pid_t pid = child.Pid();
    ASSERT_GT(pid, 0) << child.StartError();
    EXPECT_EQ(child.Status(), ProcessStatus::kRunning);
    EXPECT_EQ(child.Status(0ms), ProcessStatus::kRunning);

    child.Release();
    EXPECT_EQ(child.Pid(), 0);
    EXPECT_EQ(child.Status(), ProcessStatus::kFailed);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Look(pid), Seen::kRunning) << "the released child was stopped";

    // Clean up: the background reaper collects it once it ends.
    kill(pid, SIGKILL);
    EXPECT_TRUE(EventuallyCollected(pid));
}

TEST(ChildProcess, ARunningChildLeftBehindIsCollectedWhenItEnds) {
    pid_t released = 0;
    pid_t destroyed = 0;
    pid_t movedOver = 0;
    {
        ChildProcess first = ChildProcess::Start({"sleep", "0.3"});
        ChildProcess second = ChildProcess::Start({"sleep", "0.3"});
        ChildProcess third = ChildProcess::Start({"sleep", "0.3"});
        released = first.Pid();
        destroyed = second.Pid();
        movedOver = third.Pid();
        ASSERT_GT(released, 0);
        ASSERT_GT(destroyed, 0);
        ASSERT_GT(movedOver, 0);
        first.Release();
        third = ChildProcess::Start({"true"});
        ASSERT_EQ(WaitForEnd(third), ProcessStatus::kEnded);
        // second goes with the scope while it still runs
    }
    for (const pid_t pid : {released, destroyed, movedOver}) {
        EXPECT_TRUE(EventuallyCollected(pid)) << "pid " << pid << " left as a zombie";
    }
}

TEST(ChildProcess, MovingHandsTheChildOver) {
    ChildProcess original = ChildProcess::Start({"sh", "-c", "exit 3"});
    const pid_t pid = original.Pid();
    ChildProcess moved(std::move(original));
    EXPECT_EQ(original.Status(), ProcessStatus::kFailed);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved.Pid(), pid);
    ASSERT_EQ(WaitForEnd(moved), ProcessStatus::kEnded);
    EXPECT_EQ(moved.Exit()->code, 3);
}

TEST(ChildProcess, TheChildInheritsNoneOfOurFiles) {
    // A descriptor opened without close-on-exec, as a library might leave one.
    const int leaked = fcntl(open("/dev/null", O_RDONLY), F_DUPFD, 100);
    ASSERT_GE(leaked, 100);
    const struct {
        int fd;
        int expectedCode;  // 0: the child has it open, 1: it has not
    } cases[] = {{0, 0}, {1, 0}, {2, 0}, {leaked, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fd);
        ChildProcess child =
            ChildProcess::Start({"sh", "-c", "test -e /proc/self/fd/" + std::to_string(c.fd)});
        ASSERT_EQ(WaitForEnd(child), ProcessStatus::kEnded);
        EXPECT_EQ(child.Exit()->code, c.expectedCode);
    }
    close(leaked);
}

TEST(ChildProcess, TheChildRunsInItsOwnProcessGroup) {
    ChildProcess child = ChildProcess::Start({"sleep", "5"});
    ASSERT_GT(child.Pid(), 0);
    EXPECT_EQ(getpgid(child.Pid()), child.Pid());
    kill(child.Pid(), SIGKILL);
    ASSERT_EQ(WaitForEnd(child), ProcessStatus::kEnded);
    EXPECT_EQ(child.Exit()->kind, ChildExit::Kind::kSignalled);
}

TEST(ChildProcess, TheChildStartsWithNoSignalBlocked) {
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    ChildProcess child = ChildProcess::Start({"sh", "-c", "kill -TERM $$; exit 9"});
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_EQ(WaitForEnd(child), ProcessStatus::kEnded);
    EXPECT_EQ(child.Exit()->kind, ChildExit::Kind::kSignalled);
}

}  // namespace
}  // namespace chronoreel
