#include "movie/post_generation.h"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/event_pump.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

// Installs an event pump for one test.
class ScopedEventPump {
  public:
    explicit ScopedEventPump(std::function<void()> pump) { SetEventPump(std::move(pump)); }
    ~ScopedEventPump() { SetEventPump(nullptr); }
    ScopedEventPump(const ScopedEventPump&) = delete;
    ScopedEventPump& operator=(const ScopedEventPump&) = delete;
};

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr double kSecondDays = 1.0 / kSecondsPerDay;

// 2003-01-02 09:05:07, the run start time of the examples.
DateTime ExampleStart() {
    return MakeDateTime(2003, 1, 2, 9, 5, 7);
}

// The state letter of /proc/<pid>/stat ('R', 'S', 'Z', ...), or 0 when the process is gone.
char ProcessState(pid_t pid) {
    const std::string stat = testing::ReadText("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return (close == std::string::npos || close + 2 >= stat.size()) ? 0 : stat[close + 2];
}

TEST(Replace, ReplacesEveryOccurrenceInAnyLetterCase) {
    const struct {
        const char* text;
        const char* tag;
        const char* value;
        const char* expected;
    } cases[] = {
        {"copy <OUTPATH> x", "<outpath>", "/m/cam.avi", "copy /m/cam.avi x"},
        {"<Time><tIME>-<time>", "<time>", "0905", "09050905-0905"},
        {"no tag here", "<time>", "0905", "no tag here"},
        {"<time", "<time>", "0905", "<time"},
        {"<timehhmmss>", "<time>", "0905", "<timehhmmss>"},
        {"a<date>b", "<date>", "", "ab"},
        {"", "<date>", "x", ""},
        // An inserted value is not searched again, even when it holds the tag itself.
        {"<outpath> <outpath>", "<outpath>", "/tmp/<OUTPATH>.avi",
         "/tmp/<OUTPATH>.avi /tmp/<OUTPATH>.avi"},
        {"<<date>date>>", "<date>", "X", "<Xdate>>"},
        {"ÄÖ<DATE>ü", "<date>", "030102", "ÄÖ030102ü"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        Replace(text, c.tag, c.value);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(FillTags, ReplacesEveryTagInAnyLetterCaseFromTheRunStartTime) {
    const std::string outputPath = "/movies/cam.avi";
    const struct {
        const char* command;
        const char* expected;
    } cases[] = {
        {"cp <OUTPATH> /archive/<date><time>.avi", "cp /movies/cam.avi /archive/0301020905.avi"},
        {"<time>", "0905"},
        {"<TimeHHMMSS>", "090507"},
        {"<DATE>", "030102"},
        {"<dateMMDDyy>", "010203"},
        {"<DateDdMmYy>", "020103"},
        {"<datedd>", "02"},
        {"<OutPath>", "/movies/cam.avi"},
        {"<OUTFILE>", "cam.avi"},
        {"<outFileBase>", "cam"},
        {"<OutDir>", "/movies/"},
        {"<outdir><outfilebase>.mp4 <time><time>", "/movies/cam.mp4 09050905"},
        {"  untouched <unknown> text  ", "  untouched <unknown> text  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(FillTags(c.command, ExampleStart(), outputPath), c.expected);
    }
}

TEST(FillTags, PadsEveryFieldToTwoDigits) {
    const struct {
        DateTime start;
        const char* expected;  // <time> <timehhmmss> <date> <datemmddyy> <dateddmmyy> <datedd>
    } cases[] = {
        {MakeDateTime(2010, 12, 31, 23, 59, 59), "2359 235959 101231 123110 311210 31"},
        {MakeDateTime(2000, 3, 4, 0, 0, 0), "0000 000000 000304 030400 040300 04"},
        {MakeDateTime(2099, 11, 9, 14, 7, 30.4), "1407 140730 991109 110999 091199 09"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FillTags("<time> <timehhmmss> <date> <datemmddyy> <dateddmmyy> <datedd>", c.start,
                           "x.avi"),
                  c.expected);
    }
}

TEST(FillTags, TakesThePathPartsOfTheOutputPath) {
    const struct {
        const char* outputPath;
        const char* expected;  // <outfile>|<outfilebase>|<outdir>
    } cases[] = {
        {"/movies/cam.avi", "cam.avi|cam|/movies/"},
        {"/mymovie.avi", "mymovie.avi|mymovie|/"},
        {"mymovie.avi", "mymovie.avi|mymovie|"},
        {"movies/day/cam.v2.avi", "cam.v2.avi|cam.v2|movies/day/"},
        {"/movies//cam.avi", "cam.avi|cam|/movies/"},
        {"./cam", "cam|cam|./"},
        {"/movies/.cam", ".cam|.cam|/movies/"},
        {"/movies/my cam.avi", "my cam.avi|my cam|/movies/"},
        {"", "||"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outputPath);
        EXPECT_EQ(FillTags("<outfile>|<outfilebase>|<outdir>", ExampleStart(), c.outputPath),
                  c.expected);
    }
}

TEST(PostGenerationCommand, BlankCommandsAreNotRun) {
    for (const char* command : {"", "   ", " \t "}) {
        SCOPED_TRACE(command);
        EXPECT_FALSE(HasPostGenerationCommand(command));
        int pumps = 0;
        const ScopedEventPump pump([&] { ++pumps; });
        const PostCommandResult result =
            RunPostGenerationCommand(command, ExampleStart(), "x.avi", {});
        EXPECT_EQ(result.outcome, PostCommandOutcome::kNotRun);
        EXPECT_EQ(pumps, 0);
    }
    EXPECT_TRUE(HasPostGenerationCommand(" x "));
}

TEST(PostGenerationCommand, RunsTheFilledCommandWithoutAShellAndWaitsForIt) {
    testing::TempDir dir;
    const std::string outputPath = (dir / "cam.avi").string();
    int pumps = 0;
    const ScopedEventPump pump([&] { ++pumps; });
    // The sleep makes sure the run really waited, with events let through meanwhile.
    const PostCommandResult result = RunPostGenerationCommand(
        "sh -c \"sleep 0.2; printf '%s' '<outfilebase>-<date><time>' > '<outdir>done.txt'; "
        "exit 5\"",
        ExampleStart(), outputPath, {});
    EXPECT_EQ(result.outcome, PostCommandOutcome::kEnded);
    ASSERT_TRUE(result.exit.has_value());
    EXPECT_EQ(result.exit->kind, ChildExit::Kind::kExited);
    EXPECT_EQ(result.exit->code, 5);
    EXPECT_THAT(result.commandText, HasSubstr("'cam-0301020905' > '" + dir.Path().string() + "/"));
    EXPECT_EQ(testing::ReadText(dir / "done.txt"), "cam-0301020905");
    EXPECT_GT(pumps, 1);
}

TEST(PostGenerationCommand, ACommandThatCannotBeStartedFails) {
    int pumps = 0;
    const ScopedEventPump pump([&] { ++pumps; });
    const PostCommandResult result =
        RunPostGenerationCommand("chronoreel-no-such-program-4711 <outpath>", ExampleStart(),
                                 "/m/cam.avi", {[] { return true; }});
    EXPECT_EQ(result.outcome, PostCommandOutcome::kFailed);
    EXPECT_EQ(result.commandText, "chronoreel-no-such-program-4711 /m/cam.avi");
    EXPECT_EQ(result.pid, 0);
    EXPECT_THAT(result.error, HasSubstr("chronoreel-no-such-program-4711"));
    EXPECT_EQ(pumps, 1);
}

TEST(PostGenerationCommand, CancelEndsTheWaitAndLeavesTheCommandRunning) {
    int polls = 0;
    const PostCommandResult result =
        RunPostGenerationCommand("sleep 5", ExampleStart(), "x.avi", {[&] { return ++polls < 3; }});
    EXPECT_EQ(result.outcome, PostCommandOutcome::kCancelled);
    EXPECT_EQ(polls, 3);
    ASSERT_GT(result.pid, 0);
    std::this_thread::sleep_for(100ms);
    const char state = ProcessState(result.pid);
    EXPECT_TRUE(state == 'S' || state == 'R') << "state " << state;

    // Once it ends it is collected in the background.
    kill(result.pid, SIGKILL);
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (ProcessState(result.pid) != 0 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(ProcessState(result.pid), 0) << "left as a zombie";
}

class DeleteOldImagesTest : public ::testing::Test {
  protected:
    // Creates a file whose modification time is now: only the listed stamps may count.
    std::string MakeFile(const std::string& name) {
        const fs::path path = dir_ / name;
        testing::WriteText(path, "jpeg");
        return path.string();
    }

    testing::TempDir dir_;
};

TEST_F(DeleteOldImagesTest, DeletesListedImagesOlderThanTheLimitByTheirListedStamps) {
    const DateTime start = MakeDateTime(2003, 1, 9, 9, 5, 7);
    const DateTime sevenDays = MakeDateTime(2003, 1, 2, 9, 5, 7);
    const struct {
        const char* name;
        DateTime stamp;
        bool deleted;
    } cases[] = {
        {"exactly-7-days.jpg", sevenDays, false},
        {"7-days-and-a-second.jpg", sevenDays - kSecondDays, true},
        // The age is compared in single precision: a hundredth of a second is below its reach.
        {"7-days-and-a-hundredth.jpg", sevenDays - kSecondDays / 100, false},
        {"a-second-under-7-days.jpg", sevenDays + kSecondDays, false},
        {"a-month.jpg", MakeDateTime(2002, 12, 9, 0, 0, 0), true},
        {"an-hour.jpg", start - 1.0 / 24, false},
        {"future.jpg", start + 3, false},
        {"at-start.jpg", start, false},
    };
    std::vector<std::string> images;
    std::vector<DateTime> stamps;
    for (const auto& c : cases) {
        images.push_back(MakeFile(c.name));
        stamps.push_back(c.stamp);
    }
    // Old on disk but not in the list: never touched.
    const std::string unlisted = MakeFile("unlisted.jpg");
    fs::last_write_time(unlisted, fs::file_time_type::clock::now() - 24h * 400);

    std::vector<std::string> announced;
    const std::size_t deleted = DeleteOldImages(
        images, stamps, start, 168.0, [&](std::string_view name) { announced.emplace_back(name); });

    std::vector<std::string> expectedGone;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fs::exists(dir_ / c.name), !c.deleted);
        if (c.deleted) {
            expectedGone.emplace_back(c.name);
        }
    }
    EXPECT_EQ(announced, expectedGone);
    EXPECT_EQ(deleted, expectedGone.size());
    EXPECT_TRUE(fs::exists(unlisted));
}

TEST_F(DeleteOldImagesTest, GoesOnPastImagesThatCannotBeDeleted) {
    const DateTime start = MakeDateTime(2003, 1, 9, 9, 5, 7);
    const DateTime old = start - 30;
    const std::string readOnly = MakeFile("read-only.jpg");
    chmod(readOnly.c_str(), 0444);
    const std::string folder = (dir_ / "folder.jpg").string();
    fs::create_directory(folder);
    const std::string last = MakeFile("last.jpg");
    const std::vector<std::string> images = {
        (dir_ / "already-gone.jpg").string(),
        "/proc/self/status",  // a file that no one may delete
        folder,               // not a file: left alone
        readOnly,
        last,
        MakeFile("beyond-the-stamps.jpg"),
    };
    const std::vector<DateTime> stamps = {old, old, old, old, old};

    std::vector<std::string> announced;
    const std::size_t deleted = DeleteOldImages(
        images, stamps, start, 168.0, [&](std::string_view name) { announced.emplace_back(name); });

    EXPECT_EQ(deleted, 2u);
    EXPECT_FALSE(fs::exists(readOnly));
    EXPECT_FALSE(fs::exists(last));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::exists(dir_ / "beyond-the-stamps.jpg"));
    EXPECT_THAT(announced, ElementsAre("already-gone.jpg", "status", "folder.jpg", "read-only.jpg",
                                       "last.jpg"));
}

TEST_F(DeleteOldImagesTest, TheLimitIsGivenInHours) {
    const DateTime start = MakeDateTime(2003, 1, 9, 12, 0, 0);
    const std::vector<std::string> images = {MakeFile("a.jpg"), MakeFile("b.jpg")};
    // 0.1 hours is six minutes.
    const std::vector<DateTime> stamps = {start - 5 * 60 * kSecondDays,
                                          start - 7 * 60 * kSecondDays};
    EXPECT_EQ(DeleteOldImages(images, stamps, start, 0.1), 1u);
    EXPECT_TRUE(fs::exists(images[0]));
    EXPECT_FALSE(fs::exists(images[1]));
}

}  // namespace
}  // namespace chronoreel
