// Runs the real chronoreel-scheduler --headless under libfaketime (preloaded directly, so that
// the signal goes to the scheduler itself), with a shell script standing in for the movie maker.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

extern char** environ;

namespace chronoreel {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

const std::string kScheduler = std::string(CHRONOREEL_BIN_DIR) + "/chronoreel-scheduler";

// The libfaketime library, "" when it is not installed.
std::string FakeTimeLibrary() {
    for (const char* path :
         {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
          "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
          "/usr/lib/faketime/libfaketime.so.1", "/usr/local/lib/faketime/libfaketime.so.1"}) {
        if (::access(path, R_OK) == 0) {
            return path;
        }
    }
    return {};
}

// The name of an environment entry "NAME=value".
std::string EntryName(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

// Starts a program with TZ=UTC and the given extra environment (which replaces inherited
// entries of the same names), its output going to files.
pid_t Spawn(const std::vector<std::string>& arguments, const std::string& out,
            const std::string& err, const std::vector<std::string>& extraEnvironment = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> environment = extraEnvironment;
    environment.push_back("TZ=UTC");
    std::set<std::string> replaced;
    for (const std::string& entry : environment) {
        replaced.insert(EntryName(entry));
    }
    for (char** e = environ; *e != nullptr; ++e) {
        if (!replaced.contains(EntryName(*e))) {
            environment.emplace_back(*e);
        }
    }
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

// Waits (generously) for a condition; true when it came.
bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The exit code once the process has ended, -1 when it ended otherwise or did not end in time.
int WaitForExit(pid_t pid) {
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    if (WIFSIGNALED(status)) {
        ADD_FAILURE() << "ended by signal " << WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string MaskWith(int minute) {
    std::string mask(1440, '0');
    mask[static_cast<size_t>(minute)] = '1';
    return mask;
}

TEST(HeadlessProgramTest, AnswersHelpAndVersion) {
    TempDir dir;
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* output;
    } cases[] = {
        {{kScheduler, "--version"}, 0, "chronoreel-scheduler 1.0.14\n"},
        {{kScheduler, "--help"}, 0, "Usage: chronoreel-scheduler"},
        {{kScheduler, "--headless", "--nonsense"}, 64, ""},
    };
    for (const auto& c : cases) {
        const pid_t pid = Spawn(c.arguments, dir / "out.txt", dir / "err.txt");
        ASSERT_GT(pid, 0);
        EXPECT_EQ(WaitForExit(pid), c.exitCode);
        EXPECT_TRUE(Contains(ReadText(dir / "out.txt"), c.output));
    }
}

// Two tasks due at 07:00 under a clock that starts at 06:59:58: both start in that minute's
// first tick, in task-list order; the quick one is skipped (exit code 3), the slow one is
// still running when the scheduler is told to stop, and outlives it.
TEST(HeadlessProgramTest, StartsDueTasksAndStopsOnSigterm) {
    const std::string fakeTime = FakeTimeLibrary();
    if (fakeTime.empty()) {
        GTEST_SKIP() << "libfaketime is not installed";
    }
    TempDir dir;
    const std::string movieMaker = dir / "chronoreel";
    WriteText(movieMaker,
              "#!/bin/sh\n"
              "cd \"$(dirname \"$0\")\"\n"
              "case \"$1\" in\n"
              "  /F=quick) exit 3 ;;\n"
              "  /F=slow) sleep 3; printf '%s\\n' \"$@\" > slow-done.txt; exit 0 ;;\n"
              "esac\n"
              "exit 9\n");
    chmod(movieMaker.c_str(), 0755);
    const std::string taskFile = dir / "tasks.ini";
    const std::string general = "[General]\nTaskCount=3\nChronoreelPath=" + movieMaker + "\n";
    WriteText(taskFile,
              general + "[Task001]\nName=Slow\nSetupFile=slow\nSetupTimes=" + MaskWith(420) +
                  "\n[Task002]\nName=Later\nSetupFile=quick\nSetupTimes=" + MaskWith(421) +
                  "\n[Task003]\nName=Quick \"one\"\nSetupFile=quick\nSetupTimes=" + MaskWith(420) +
                  "\n");

    // "@" starts the clock at that moment and lets it run. In a build with AddressSanitizer
    // the preloaded clock comes before the sanitizer's runtime, which it must be told to accept.
    const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        std::string(sanitizerOptions != nullptr ? sanitizerOptions : "") +
        ":verify_asan_link_order=0";
    const pid_t scheduler = Spawn(
        {kScheduler, "--headless", "--task-file", taskFile}, dir / "out.txt", dir / "err.txt",
        {"LD_PRELOAD=" + fakeTime, "FAKETIME=@2026-01-01 06:59:58", "ASAN_OPTIONS=" + asanOptions});
    ASSERT_GT(scheduler, 0);
    const bool ran = WaitFor([&] {
        const std::string out = ReadText(dir / "out.txt");
        return Contains(out, "ended \"Quick \"one\"\"") && Contains(out, "started \"Slow\"");
    });
    const std::string out = ReadText(dir / "out.txt");
    EXPECT_TRUE(ran) << out << ReadText(dir / "err.txt");

    // The ended movie maker left no zombie behind.
    const std::string startedQuick = "started \"Quick \"one\"\" pid ";
    const size_t pidAt = out.find(startedQuick);
    ASSERT_NE(pidAt, std::string::npos);
    const std::string quickPid = std::to_string(std::stol(out.substr(pidAt + startedQuick.size())));
    const std::string stat = ReadText("/proc/" + quickPid + "/stat");
    EXPECT_EQ(stat.find(") Z "), std::string::npos) << stat;

    // A second scheduler on the same task file refuses to start.
    const pid_t second = Spawn({kScheduler, "--headless", "--task-file", taskFile},
                               dir / "out2.txt", dir / "err2.txt");
    ASSERT_GT(second, 0);
    EXPECT_EQ(WaitForExit(second), 75);
    EXPECT_TRUE(Contains(ReadText(dir / "err2.txt"), "another scheduler is already running"));
    EXPECT_EQ(ReadText(dir / "out2.txt"), "");

    // A hand edit of the general section is overwritten by the save at the end.
    std::string edited = ReadText(taskFile);
    edited.replace(edited.find("ChronoreelPath="), 15, "ChronoreelPath=/elsewhere");
    WriteText(taskFile, edited);

    ASSERT_EQ(::kill(scheduler, SIGTERM), 0);
    EXPECT_EQ(WaitForExit(scheduler), 0);
    EXPECT_TRUE(Contains(ReadText(taskFile), "\nChronoreelPath=" + movieMaker + "\n"));
    EXPECT_TRUE(Contains(ReadText(dir / "err.txt"), "stopped"));
    EXPECT_TRUE(WaitFor([&] { return !ReadText(dir / "slow-done.txt").empty(); }));
    EXPECT_EQ(ReadText(dir / "slow-done.txt"), "/F=slow\n/A\n/I\n");

    const std::vector<std::string> expected = {
        "2026-01-01 07:00:00 queued \"Slow\" due 2026-01-01 07:00:00",
        "2026-01-01 07:00:00 queued \"Quick \"one\"\" due 2026-01-01 07:00:00",
        "2026-01-01 07:00:00 started \"Slow\" pid ",
        "2026-01-01 07:00:00 started \"Quick \"one\"\" pid ",
        "ended \"Quick \"one\"\" exit code 3: Skipped",
    };
    size_t from = 0;
    for (const std::string& line : expected) {
        const size_t at = out.find(line, from);
        EXPECT_NE(at, std::string::npos) << line << "\nin:\n" << out;
        from = at == std::string::npos ? from : at;
    }
    EXPECT_TRUE(Contains(out, ": " + movieMaker + " /F=\"slow\" /A /I\n"));
    EXPECT_FALSE(Contains(out, "Later"));  // 07:01 never came
}

}  // namespace
}  // namespace chronoreel
