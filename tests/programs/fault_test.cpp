// Faults from outside while the programs work: a disk that fills while the movie or a settings
// file is written, a program killed at any moment of a save, an output folder that went away or
// became read-only since the last run, a still deleted after the scan. Nothing that was there
// before may be lost, and no temporary file may stay behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "programs/program_run.h"
#include "support/avi_reader.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace chronoreel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

// The scheduler's lock beside its task file: it stays by design.
constexpr const char* kRunLock = ".tasks.ini.run-lock";

// Hidden names in a folder, where the replacements put their temporary files for a moment.
std::vector<std::string> HiddenNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") && name != kRunLock) {
            names.push_back(name);
        }
    }
    return names;
}

std::size_t CountFiles(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A comment line that makes a settings file larger than any file the run writes besides it, so
// that a file-size limit just above its size fails its replacement and nothing else.
std::string Padded(const std::string& text) {
    return "; " + std::string(100000, '-') + "\n" + text;
}

// Files may not grow beyond bytes: writes beyond fail as on a full disk.
ChildConditions FileSizeLimit(rlim_t bytes) {
    ChildConditions conditions;
    conditions.fileSizeLimitBytes = bytes;
    return conditions;
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (Clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class FaultTest : public ::testing::Test {
  protected:
    FaultTest() { fs::create_directories(Cam()); }

    fs::path Cam() const { return folder_ / "cam"; }

    void AddStills(int count, const std::string& jpeg) {
        WriteText(Cam() / StillName(0), jpeg);
        for (int i = 1; i < count; ++i) {
            fs::create_hard_link(Cam() / StillName(0), Cam() / StillName(i));
        }
    }

    void WriteSetup(const std::string& moreGeneralKeys) {
        WriteText(folder_ / "day.tls", "[General]\nStillDirectory=cam\nTimeStampOption=1\n" +
                                           moreGeneralKeys + "[Compress]\n");
    }

    ProgramRun RunUnattended(const ChildConditions& conditions = {}) {
        return RunningProgram("chronoreel", folder_.Path(), {"/f=day.tls", "/a", "/i"},
                              ProgramLocation::kBuilt, conditions)
            .Wait();
    }

    TempDir folder_;
};

const std::string& CameraStill() {
    static const std::string still =
        ReadText(fs::path(CHRONOREEL_TEST_DATA) / "jpeg" / "broken" / "ok-odd-322x241.jpg");
    return still;
}

std::string RandomBytes(std::size_t count) {
    std::mt19937 random(7);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

TEST_F(FaultTest, TheDiskFillingWhileTheMovieIsWrittenKeepsTheOldMovie) {
    // 30 frames of 324 x 241 take 7 MB; the disk fills in the headers, after a few frames or
    // near the end.
    AddStills(30, CameraStill());
    WriteSetup(
        "OutputAVIPath=movie.avi\nDeleteOldImages=True\nDeleteOldImagesHours=0\n"
        "PostGenerationShell=touch posted\n");
    const std::string oldMovie = RandomBytes(500000);
    WriteText(folder_ / "movie.avi", oldMovie);
    for (const rlim_t limitBytes : {rlim_t{20000}, rlim_t{1000000}, rlim_t{6500000}}) {
        SCOPED_TRACE(limitBytes);
        const ProgramRun run = RunUnattended(FileSizeLimit(limitBytes));
        EXPECT_EQ(run.exitCode, 5) << run.err;
        EXPECT_THAT(run.err, HasSubstr("chronoreel: cannot write the movie file: File too large"));
        EXPECT_TRUE(ReadText(folder_ / "movie.avi") == oldMovie) << "the old movie changed";
        EXPECT_THAT(HiddenNames(folder_.Path()), IsEmpty());
        // A failed run runs no command and deletes no still.
        EXPECT_FALSE(fs::exists(folder_ / "posted"));
        EXPECT_EQ(CountFiles(Cam()), 30u);
    }
}

TEST_F(FaultTest, TheDiskFillingWhileTheSetupFileIsWrittenKeepsItAndSaysSo) {
    AddStills(2, EncodeJpeg(QuadrantPicture(64, 48), 90));
    // The setup lacks most keys, which the run writes into it with their defaults.
    const std::string oldSetup =
        Padded("[General]\nStillDirectory=cam\nTimeStampOption=1\nOutputAVIPath=movie.avi\n");
    WriteText(folder_ / "day.tls", oldSetup);
    const ProgramRun run = RunUnattended(FileSizeLimit(oldSetup.size() + 10));
    // The run goes on with the settings it read; only their file stays as it was.
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("chronoreel: warning: settings not saved: cannot write \"" +
                                   (folder_ / "day.tls").string() + "\": File too large"));
    EXPECT_TRUE(ReadText(folder_ / "day.tls") == oldSetup) << "the setup file changed";
    EXPECT_THAT(HiddenNames(folder_.Path()), IsEmpty());
    EXPECT_EQ(ReadAvi(ReadText(folder_ / "movie.avi")).frames.size(), 2u);
}

TEST_F(FaultTest, TheDiskFillingWhileTheTaskFileIsWrittenKeepsItAndEndsWith74) {
    // No movie maker path and a task without most of its keys: the scheduler writes them at the
    // start and the path again at the end.
    const fs::path taskFile = folder_ / "tasks.ini";
    const std::string oldTasks =
        Padded("[General]\nTaskCount=1\n[Task001]\nName=Roof\nSetupFile=roof.tls\n");
    WriteText(taskFile, oldTasks);
    RunningProgram scheduler("chronoreel-scheduler", folder_.Path(),
                             {"--headless", "--task-file", taskFile.string()},
                             ProgramLocation::kBuilt, FileSizeLimit(oldTasks.size() + 10));
    ASSERT_TRUE(WaitFor([&] {
        return scheduler.ErrSoFar().find("task(s) from") != std::string::npos;
    })) << scheduler.ErrSoFar();
    ASSERT_EQ(kill(scheduler.Pid(), SIGTERM), 0);
    const ProgramRun run = scheduler.Wait();
    EXPECT_EQ(run.exitCode, 74) << run.err;
    const std::string reason = "cannot write \"" + taskFile.string() + "\": File too large";
    EXPECT_THAT(run.err, HasSubstr("chronoreel-scheduler: cannot write the missing keys into the "
                                   "task file: " +
                                   reason));
    EXPECT_THAT(run.err, HasSubstr("chronoreel-scheduler: stopped, but the tasks could not be "
                                   "saved: " +
                                   reason));
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("tasks saved")));
    EXPECT_TRUE(ReadText(taskFile) == oldTasks) << "the task file changed";
    EXPECT_THAT(HiddenNames(folder_.Path()), IsEmpty());
}

// A program started again and again and killed with SIGKILL at a random moment of its first
// fraction of a second, where it saves a settings file: every file it writes must afterwards
// hold its old content or its new one (or be absent when it was absent), and the one temporary
// file that a kill at the very moment of the rename may leave goes with the next save.
class KilledSaveTest : public FaultTest {
  protected:
    struct WatchedFile {
        fs::path path;
        std::optional<std::string> before;  // nothing: absent before the run
        std::string after;                  // as a run that is not killed leaves it
    };

    // How the program is run: started, taken to its end, or collected after the kill.
    struct Runs {
        std::function<pid_t()> start;
        std::function<void(pid_t)> finish;
        std::function<void()> collect;
    };

    // Runs the program to its end once to learn what it writes and how long it takes, then
    // kills that many runs at random moments of that time, each with the files as they were
    // before.
    void KillAtRandomMoments(const Runs& runs, int kills, std::vector<WatchedFile>& files) {
        auto restore = [&] {
            for (const WatchedFile& file : files) {
                if (file.before) {
                    WriteText(file.path, *file.before);
                } else {
                    fs::remove(file.path);
                }
            }
        };
        restore();
        const auto started = Clock::now();
        runs.finish(runs.start());
        const auto runTime = Clock::now() - started;
        for (WatchedFile& file : files) {
            file.after = ReadText(file.path);
            ASSERT_TRUE(file.before != file.after) << file.path << " is not written";
        }
        std::mt19937 random(20240611);
        std::uniform_int_distribution<std::int64_t> moment(
            0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count());
        int keptOld = 0;
        int gotNew = 0;
        for (int run = 0; run < kills; ++run) {
            restore();
            const pid_t pid = runs.start();
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            kill(pid, SIGKILL);
            runs.collect();
            for (const WatchedFile& file : files) {
                SCOPED_TRACE(file.path.string() + " after kill " + std::to_string(run));
                const bool exists = fs::exists(file.path);
                const std::string content = ReadText(file.path);
                const bool old = file.before ? exists && content == *file.before : !exists;
                EXPECT_TRUE(old || (exists && content == file.after))
                    << (exists ? "torn: " + content.substr(0, 200) : "gone");
                keptOld += old ? 1 : 0;
                gotNew += old ? 0 : 1;
            }
        }
        // The kills fell before and after the saves, not all on one side.
        EXPECT_GT(keptOld, 0);
        EXPECT_GT(gotNew, 0);
        // A run to its end saves again and removes what a killed one left.
        restore();
        runs.finish(runs.start());
        EXPECT_THAT(HiddenNames(folder_.Path()), IsEmpty());
    }
};

TEST_F(KilledSaveTest, ASetupFileAndTheSettingsFileAreOldOrNewWheneverTheMovieMakerIsKilled) {
    // No stills: the run loads its settings, writes the missing ones and ends with 3.
    std::vector<WatchedFile> files = {
        {folder_ / "day.tls", "[General]\nStillDirectory=cam\nTimeStampOption=1\n", {}},
        {folder_ / "Chronoreel.INI", std::nullopt, {}},
    };
    std::optional<RunningProgram> program;
    const Runs runs{
        [&] {
            program.emplace("chronoreel", folder_.Path(),
                            std::vector<std::string>{"/f=day.tls", "/a", "/i"});
            return program->Pid();
        },
        [&](pid_t) { EXPECT_EQ(program->Wait().exitCode, 3); },
        [&] { program->Wait(); },
    };
    // The movie maker takes longer to start (it loads the window libraries).
    KillAtRandomMoments(runs, 60, files);
}

TEST_F(KilledSaveTest, ATaskFileIsOldOrNewWheneverTheSchedulerIsKilled) {
    const fs::path taskFile = folder_ / "tasks.ini";
    std::vector<WatchedFile> files = {
        {taskFile, "[General]\nTaskCount=2\n[Task001]\nName=Roof\n[Task002]\nName=Yard\n", {}},
    };
    std::optional<RunningProgram> program;
    const Runs runs{
        [&] {
            program.emplace(
                "chronoreel-scheduler", folder_.Path(),
                std::vector<std::string>{"--headless", "--task-file", taskFile.string()});
            return program->Pid();
        },
        [&](pid_t pid) {
            ASSERT_TRUE(WaitFor(
                [&] { return program->ErrSoFar().find("task(s) from") != std::string::npos; }));
            kill(pid, SIGTERM);
            EXPECT_EQ(program->Wait().exitCode, 0);
        },
        [&] { program->Wait(); },
    };
    KillAtRandomMoments(runs, 140, files);
}

// The user a program started by root can be made to run as, so that permissions count.
std::optional<passwd> UnprivilegedUser() {
    for (const char* name : {"nobody", "daemon"}) {
        if (const passwd* user = getpwnam(name); user != nullptr && user->pw_uid != 0) {
            return *user;
        }
    }
    return std::nullopt;
}

TEST_F(FaultTest, AnOutputFolderThatWentAwayOrBecameReadOnlyEndsWith5AndKeepsTheOldMovie) {
    AddStills(2, EncodeJpeg(QuadrantPicture(64, 48), 90));
    WriteSetup("OutputAVIPath=out/movie.avi\nPostGenerationShell=touch posted\n");
    ChildConditions conditions;
    if (geteuid() == 0) {
        const std::optional<passwd> user = UnprivilegedUser();
        if (!user) {
            GTEST_SKIP() << "running as root with no unprivileged user to run the program as: "
                            "root writes into read-only folders";
        }
        conditions.user = user->pw_uid;
        conditions.group = user->pw_gid;
    }
    auto giveToProgram = [&] {
        if (!conditions.user) {
            return;
        }
        for (const auto& entry : fs::recursive_directory_iterator(folder_.Path())) {
            ASSERT_EQ(lchown(entry.path().c_str(), *conditions.user, *conditions.group), 0);
        }
        ASSERT_EQ(chown(folder_.Path().c_str(), *conditions.user, *conditions.group), 0);
    };

    fs::create_directory(folder_ / "out");
    giveToProgram();
    const ProgramRun first = RunUnattended(conditions);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string oldMovie = ReadText(folder_ / "out" / "movie.avi");
    ASSERT_EQ(ReadAvi(oldMovie).frames.size(), 2u);
    fs::remove(folder_ / "posted");

    // Made read-only: the old movie stays as it was.
    fs::permissions(folder_ / "out",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const ProgramRun readOnly = RunUnattended(conditions);
    EXPECT_EQ(readOnly.exitCode, 5) << readOnly.err;
    EXPECT_EQ(readOnly.err, "chronoreel: cannot create a file in \"out\": Permission denied\n");
    EXPECT_EQ(ReadText(folder_ / "out" / "movie.avi"), oldMovie);
    EXPECT_THAT(HiddenNames(folder_ / "out"), IsEmpty());
    EXPECT_FALSE(fs::exists(folder_ / "posted"));

    // Gone: nothing is made in its place.
    fs::permissions(folder_ / "out", fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(folder_ / "out");
    const ProgramRun gone = RunUnattended(conditions);
    EXPECT_EQ(gone.exitCode, 5) << gone.err;
    EXPECT_EQ(gone.err, "chronoreel: cannot create a file in \"out\": No such file or directory\n");
    EXPECT_FALSE(fs::exists(folder_ / "out"));
    EXPECT_FALSE(fs::exists(folder_ / "posted"));
}

TEST_F(FaultTest, AStillDeletedAfterTheScanIsSkippedAndTheRunGoesOn) {
    // Large noisy frames under a lossless compressor, so that the run takes a while.
    constexpr int kStills = 160;
    AddStills(kStills, EncodeJpeg(NoisePicture(640, 480, 5), 90));
    WriteText(folder_ / "day.tls",
              "[General]\nStillDirectory=cam\nTimeStampOption=1\nOutputAVIPath=movie.avi\n"
              "PostGenerationShell=touch posted\n[Compress]\nHandler=827737670\n");  // FFV1
    RunningProgram program("chronoreel", folder_.Path(), {"/f=day.tls", "/a", "/i"});
    // Once the first frames are in the new (unnamed) movie file, the later stills go.
    ASSERT_TRUE(WaitForGrowingFile(program.Pid(), folder_.Path(), 2000000));
    for (int i = kStills / 2; i < kStills; ++i) {
        fs::remove(Cam() / StillName(i));
    }
    const ProgramRun run = program.Wait();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Each still that went is named once.
    EXPECT_THAT(run.err, HasSubstr("skipped cam/" + StillName(kStills - 1) +
                                   ": cannot be opened (it is gone, or not readable)\n"));
    EXPECT_TRUE(fs::exists(folder_ / "posted"));
    const AviContents avi = ReadAvi(ReadText(folder_ / "movie.avi"));
    EXPECT_THAT(avi.problem, IsEmpty());
    EXPECT_GE(avi.frames.size(), static_cast<std::size_t>(kStills / 2));
    EXPECT_LT(avi.frames.size(), static_cast<std::size_t>(kStills));
    EXPECT_THAT(HiddenNames(folder_.Path()), IsEmpty());
}

}  // namespace
}  // namespace chronoreel::testing
