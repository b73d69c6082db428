// Runs the real chronoreel-scheduler --headless under libfaketime (preloaded directly, so that
// the signal goes to the scheduler itself), with a shell script standing in for the movie maker.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "programs/spawned_program.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::Contains;
using testing::FakeTimeLibrary;
using testing::ReadText;
using testing::Spawn;
using testing::TempDir;
using testing::WaitFor;
using testing::WaitForExit;
using testing::WriteText;

const std::string kScheduler = testing::kSchedulerProgram;

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
