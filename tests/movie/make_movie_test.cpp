#include "movie/make_movie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/app_error.h"
#include "base/clock.h"
#include "base/shared_routines.h"
#include "imaging/frame_renderer.h"
#include "movie/movie_gen.h"
#include "movie/run_diagnostics.h"
#include "movie/run_view.h"
#include "support/avi_reader.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;
using testing::FixedClock;
using testing::TempDir;

const fs::path kJpegs = fs::path(CHRONOREEL_TEST_DATA) / "jpeg";

// Records every call of the run in order; a test can act on any recorded line (press Cancel).
class RecordingView final : public RunView {
  public:
    std::vector<std::string> calls;
    std::function<void(const std::string&)> onCall;
    int framesShown = 0;

    void Open() override { Record("open"); }
    void SetStatus(std::string_view text) override { Record("status " + std::string(text)); }
    void SetFrameText(std::string_view text) override { Record("frame " + std::string(text)); }
    void PrepareForMovieSize(std::int32_t w, std::int32_t h) override {
        Record("size " + std::to_string(w) + "x" + std::to_string(h));
    }
    void ShowFrame(const DIB&, bool) override {
        ++framesShown;
        Record("show");
    }
    void Refresh() override {}
    void ShowMessage(std::string_view text, std::string_view) override {
        Record("message " + std::string(text));
    }
    void Close() override { Record("close"); }
    void BringMainWindowToFront() override { Record("front"); }

    std::vector<std::string> Statuses() const {
        std::vector<std::string> statuses;
        for (const auto& call : calls) {
            if (call.starts_with("status ")) {
                statuses.push_back(call.substr(7));
            }
        }
        return statuses;
    }
    bool Saw(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

  private:
    void Record(std::string call) {
        calls.push_back(call);
        if (onCall) {
            onCall(call);
        }
    }
};

// The waits of a run with a preview pass in no time: the timer jumps a quarter second per look.
class FastDelays : public ::testing::Test {
  protected:
    void SetUp() override {
        DelayHooks hooks = DefaultDelayHooks();
        hooks.secondsSinceMidnight = [this] { return fakeSeconds_ += 0.25; };
        hooks.sleepBriefly = [] {};
        SetDelayHooks(hooks);
    }
    void TearDown() override { SetDelayHooks(DefaultDelayHooks()); }

    // Stills named by their time: five good frames of 227x149 and one that will not decode.
    void MakeStills() {
        fs::create_directories(dir / "stills");
        const char* names[] = {"20030102100000.jpg", "20030102100100.jpg", "20030102100200.jpg",
                               "20030102100300.jpg", "20030102100400.jpg"};
        for (const char* name : names) {
            fs::copy_file(kJpegs / "ljt-testorig.jpg", dir / "stills" / name);
        }
        fs::copy_file(kJpegs / "broken" / "bad-truncated-50pct.jpg",
                      dir / "stills" / "20030102100230.jpg");
        gen.SetStillDirectory((dir / "stills").string());
        gen.SetTimeStampOption(1);
        gen.SetOutputAVIPath((dir / "movie.avi").string());
    }

    RunOutcome Run(RunView* view, std::function<bool()> stopRequested = {}) {
        RunContext context{clock, {[] { return 0.25; }, [] { return 0.75; }},
                           view,  true,
                           {},    std::move(stopRequested)};
        return MakeMovie(gen, context);
    }

    TempDir dir;
    SetupChangedFlag flag;
    MovieGen gen{flag};
    FixedClock clock{MakeDateTime(2003, 1, 3, 12, 0, 0)};
    double fakeSeconds_ = 1000;
};

using MakeMovieTest = FastDelays;

TEST_F(MakeMovieTest, WritesTheMovieWithEveryStatusInOrder) {
    MakeStills();
    gen.SetPostGenerationShell("touch " + (dir / "after-<outfilebase>").string());
    RecordingView view;
    EXPECT_EQ(Run(&view), RunOutcome::kMovieWritten);

    EXPECT_EQ(view.Statuses(),
              (std::vector<std::string>{
                  "Status: Reading Source Directory", "Status: Sorting Files By Date",
                  "Status: Determining Which Files To Use", "Status: Opening AVI",
                  "Status: Adding Frames to AVI", "Status: Running Post-Generation Shell",
                  "Status: Post-Generation Shell Complete"}));
    EXPECT_TRUE(view.Saw("frame Found: 20030102100000.jpg"));
    EXPECT_TRUE(view.Saw("frame Found: 6 Files"));
    EXPECT_TRUE(view.Saw("frame Frame: 1 of 6"));
    EXPECT_TRUE(view.Saw("frame Frame: 6 of 6"));  // counts on past the frame that was skipped
    EXPECT_TRUE(view.Saw("size 0x0"));
    EXPECT_EQ(view.framesShown, 5);
    EXPECT_EQ(view.calls.back(), "close");
    EXPECT_TRUE(fs::exists(dir / "movie.avi"));
    EXPECT_TRUE(fs::exists(dir / "after-movie"));
    EXPECT_EQ(gen.RunState().movieWidth, 228);
    EXPECT_EQ(gen.RunState().movieHeight, 149);
}

TEST_F(MakeMovieTest, RunWithoutWindowsWritesTheSameMovie) {
    MakeStills();
    EXPECT_EQ(Run(nullptr), RunOutcome::kMovieWritten);
    EXPECT_GT(fs::file_size(dir / "movie.avi"), 5u * 228 * 149 * 3);
}

TEST_F(MakeMovieTest, CancelAtEveryCheckpointEndsTheRunThere) {
    struct Case {
        const char* pressCancelOn;  // the recorded call at which Cancel is pressed
        bool movieExpected;
    };
    const Case cases[] = {
        {"frame Found: 20030102100100.jpg", false},       // while listing
        {"status Status: Sorting Files By Date", false},  // checkpoint A
        {"frame Frame: 2 of 6", false},                   // during selection (B)
        {"show", true},                                   // while writing (C)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressCancelOn);
        fs::remove_all(dir.Path());
        fs::create_directories(dir.Path());
        MakeStills();
        gen.SetImageIntervalOption(1);  // selection shows its progress only when it thins
        RecordingView view;
        view.onCall = [&](const std::string& call) {
            if (call == c.pressCancelOn) {
                gen.SetCancelMovie(true);
            }
        };
        EXPECT_EQ(Run(&view), RunOutcome::kCancelled);
        EXPECT_EQ(view.Statuses().back(), "Status: Cancelled by User");
        EXPECT_EQ(view.calls.back(), "close");
        EXPECT_EQ(fs::exists(dir / "movie.avi"), c.movieExpected);
    }
}

// Frame by frame, the movie holds what one renderer makes of the planned stills in output
// order, forwards and backwards, with repeats, broken stills, a still of another size and an
// unreadable first still; each skipped still is reported once, in order.
TEST_F(MakeMovieTest, MovieHoldsTheFramesOfThePlannedStillsInOutputOrder) {
    const struct {
        const char* fixture;
        const char* name;
    } stills[] = {
        {"broken/bad-png-renamed.jpg", "20030102100000.jpg"},
        {"ljt-testorig.jpg", "20030102100100.jpg"},
        {"broken/bad-truncated-50pct.jpg", "20030102100200.jpg"},
        {"broken/ok-odd-322x241.jpg", "20030102100300.jpg"},
        {"ljt-testimgp.jpg", "20030102100400.jpg"},
        {"broken/bad-zero-length.jpg", "20030102100500.jpg"},
        {"ljt-testimggray.jpg", "20030102100600.jpg"},
        {"made-quadrants-61x47.jpg", "20030102100700.jpg"},
        {"broken/bad-garbage.jpg", "20030102100800.jpg"},
    };
    for (const std::int32_t direction : {1, -1}) {
        SCOPED_TRACE(direction);
        fs::remove_all(dir.Path());
        fs::create_directories(dir / "stills");
        for (const auto& still : stills) {
            fs::copy_file(kJpegs / still.fixture, dir / "stills" / still.name);
        }
        gen.SetStillDirectory((dir / "stills").string());
        gen.SetTimeStampOption(1);
        gen.SetOutputAVIPath((dir / "movie.avi").string());
        gen.SetMovieDirection(direction);
        gen.SetImageIntervalOption(1);  // two slots a minute: every still twice
        gen.SetImagesPerHour(120);
        gen.SetDuplicateCount(2);
        std::vector<std::string> diagnostics;
        const RunContext context{clock,
                                 {[] { return 0.25; }, [] { return 0.75; }},
                                 nullptr,
                                 true,
                                 [&](std::string_view line) { diagnostics.emplace_back(line); },
                                 {}};

        const DryRunPlan plan = PlanMovie(gen, context);
        ASSERT_NE(std::adjacent_find(plan.frames.begin(), plan.frames.end()), plan.frames.end());
        FrameRenderer renderer(MovieSize{});
        std::vector<std::string> expectedFrames;
        std::vector<std::string> expectedDiagnostics;
        std::unordered_set<std::size_t> skipped;
        for (const std::size_t still : plan.frames) {
            const std::string& path = plan.images.paths[still];
            if (renderer.Render(path)) {
                const DIB& frame = renderer.MovieSurface();
                expectedFrames.emplace_back(reinterpret_cast<const char*>(frame.DIBPtr()),
                                            frame.SizeBytes());
            } else if (skipped.insert(still).second) {
                expectedDiagnostics.push_back(SkippedStillLine(path, renderer.LastSkip()));
            }
        }

        EXPECT_EQ(MakeMovie(gen, context), RunOutcome::kMovieWritten);
        EXPECT_EQ(diagnostics, expectedDiagnostics);
        const std::string bytes = testing::ReadText(dir / "movie.avi");
        const testing::AviContents avi = testing::ReadAvi(bytes);
        ASSERT_EQ(avi.frames.size(), expectedFrames.size());
        for (std::size_t i = 0; i < expectedFrames.size(); ++i) {
            EXPECT_TRUE(avi.frames[i] == expectedFrames[i]) << "frame " << i;
        }
        EXPECT_EQ(gen.RunState().movieWidth, renderer.Size().width);
        EXPECT_EQ(gen.RunState().movieHeight, renderer.Size().height);
    }
}

// A cancel in the middle of the frames stops there: the movie keeps exactly the frames written
// before it.
TEST_F(MakeMovieTest, CancelWhileWritingKeepsTheFramesWrittenSoFar) {
    fs::create_directories(dir / "stills");
    for (int minute = 0; minute < 40; ++minute) {
        const std::string name = "200301021" + std::to_string(100 + minute) + "00.jpg";
        fs::copy_file(kJpegs / (minute % 2 == 0 ? "ljt-testorig.jpg" : "ljt-testimgp.jpg"),
                      dir / "stills" / name);
    }
    gen.SetStillDirectory((dir / "stills").string());
    gen.SetTimeStampOption(1);
    gen.SetOutputAVIPath((dir / "movie.avi").string());
    RecordingView view;
    view.onCall = [&](const std::string& call) {
        if (call == "show" && view.framesShown == 3) {
            gen.SetCancelMovie(true);
        }
    };
    EXPECT_EQ(Run(&view), RunOutcome::kCancelled);
    EXPECT_EQ(view.framesShown, 3);
    EXPECT_EQ(view.Statuses().back(), "Status: Cancelled by User");
    EXPECT_FALSE(view.Saw("frame Frame: 5 of 40"));
    const testing::AviContents avi = testing::ReadAvi(testing::ReadText(dir / "movie.avi"));
    EXPECT_EQ(avi.problem, "");
    EXPECT_EQ(avi.frames.size(), 3u);
}

TEST_F(MakeMovieTest, StopRequestedBeforeTheRunStartsIsNotLostWhenTheRunClearsItsFlag) {
    MakeStills();
    EXPECT_EQ(Run(nullptr, [] { return true; }), RunOutcome::kCancelled);
    EXPECT_FALSE(fs::exists(dir / "movie.avi"));
}

TEST_F(MakeMovieTest, CancelDuringThePostCommandWaitLeavesItRunning) {
    MakeStills();
    gen.SetPostGenerationShell("sleep 3");
    RecordingView view;
    view.onCall = [&](const std::string& call) {
        if (call == "status Status: Running Post-Generation Shell") {
            gen.SetCancelMovie(true);
        }
    };
    EXPECT_EQ(Run(&view), RunOutcome::kCancelled);
    EXPECT_TRUE(view.Saw("status Status: Post-Generation Shell Wait Cancelled"));
    EXPECT_TRUE(view.Saw("frame *Note: The shelled process may still be running."));
    EXPECT_TRUE(fs::exists(dir / "movie.avi"));
}

TEST_F(MakeMovieTest, StatusEndingsTouchNoFile) {
    fs::create_directories(dir / "empty");
    gen.SetStillDirectory((dir / "empty").string());
    gen.SetOutputAVIPath((dir / "movie.avi").string());
    RecordingView view;
    EXPECT_EQ(Run(&view), RunOutcome::kNoFilesFound);
    EXPECT_EQ(view.Statuses().back(), "Status: No Files Found");

    MakeStills();
    testing::WriteText(dir / "movie.avi", "old movie");
    gen.SetTimeOption(1);
    gen.SetStartTimeOption(3);
    gen.SetStartTimeAbsolute(MakeDateTime(2010, 1, 1));
    gen.SetStopTimeOption(3);
    gen.SetStopTimeAbsolute(MakeDateTime(2010, 1, 2));
    RecordingView second;
    EXPECT_EQ(Run(&second), RunOutcome::kNothingSelected);
    EXPECT_EQ(second.Statuses().back(), "Status: No Files Met Timing Criteria");
    EXPECT_EQ(testing::ReadText(dir / "movie.avi"), "old movie");
}

TEST_F(MakeMovieTest, OpenFailureShowsTheMessageAndRunsNothingAfter) {
    MakeStills();
    gen.SetOutputAVIPath((dir / "missing" / "movie.avi").string());
    gen.SetPostGenerationShell("touch " + (dir / "ran").string());
    RecordingView view;
    EXPECT_EQ(Run(&view), RunOutcome::kOpenFailed);
    EXPECT_TRUE(view.Saw("message There was an error writing the AVI file."));
    EXPECT_FALSE(fs::exists(dir / "ran"));
    EXPECT_EQ(Run(nullptr), RunOutcome::kOpenFailed);
}

TEST_F(MakeMovieTest, NoDecodableFrameStillClosesTheFileAndRunsTheCommand) {
    fs::create_directories(dir / "stills");
    fs::copy_file(kJpegs / "broken" / "bad-garbage.jpg", dir / "stills" / "20030102100000.jpg");
    gen.SetStillDirectory((dir / "stills").string());
    gen.SetTimeStampOption(1);
    gen.SetOutputAVIPath((dir / "movie.avi").string());
    gen.SetPostGenerationShell("touch " + (dir / "ran").string());
    EXPECT_EQ(Run(nullptr), RunOutcome::kNothingDecoded);
    EXPECT_TRUE(fs::exists(dir / "movie.avi"));
    EXPECT_TRUE(fs::exists(dir / "ran"));
}

TEST_F(MakeMovieTest, AnImageExactlyAsOldAsTheLimitIsKeptWhateverTheStartingFraction) {
    fs::create_directories(dir / "stills");
    // The run starts 0.7 s after 2003-01-03 12:00:00; the limit is 168 hours.
    for (const char* name : {"20021227120000.jpg", "20021227115959.jpg"}) {
        fs::copy_file(kJpegs / "ljt-testorig.jpg", dir / "stills" / name);
    }
    gen.SetStillDirectory((dir / "stills").string());
    gen.SetTimeStampOption(1);
    gen.SetOutputAVIPath((dir / "movie.avi").string());
    gen.SetDeleteOldImages(true);
    const FixedClock late(MakeDateTime(2003, 1, 3, 12, 0, 0.7));
    RunContext context{late, {}, nullptr, true, {}, {}};
    EXPECT_EQ(MakeMovie(gen, context), RunOutcome::kMovieWritten);
    EXPECT_TRUE(fs::exists(dir / "stills" / "20021227120000.jpg"));
    EXPECT_FALSE(fs::exists(dir / "stills" / "20021227115959.jpg"));
}

TEST_F(MakeMovieTest, DeletesOldImagesOfTheScanAfterTheMovie) {
    MakeStills();
    testing::WriteText(dir / "stills" / "notes.txt", "kept");
    gen.SetDeleteOldImages(true);
    gen.SetDeleteOldImagesHours(24);  // run start is a day and two hours after the stills
    RecordingView view;
    EXPECT_EQ(Run(&view), RunOutcome::kMovieWritten);
    EXPECT_TRUE(view.Saw("status Status: Deleting old images"));
    EXPECT_TRUE(view.Saw("frame Deleting: 20030102100000.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "stills"), fs::directory_iterator{}), 1);
}

TEST_F(MakeMovieTest, UnexpectedErrorClosesThePreviewBeforeTheReport) {
    MakeStills();
    EXPECT_EXIT(
        {
            RecordingView view;
            view.onCall = [](const std::string& call) {
                if (call == "close") {
                    std::fputs("preview closed\n", stderr);
                }
                if (call == "status Status: Adding Frames to AVI") {
                    throw AppError(kErrInternal, "view broke");
                }
            };
            Run(&view);
        },
        ::testing::ExitedWithCode(70), "preview closed(.|\n)*Procedure: MakeMovie");
}

TEST(RunOutcomes, ExitCodes) {
    EXPECT_EQ(ExitCodeFor(RunOutcome::kMovieWritten), 0);
    EXPECT_EQ(ExitCodeFor(RunOutcome::kNoFilesFound), 3);
    EXPECT_EQ(ExitCodeFor(RunOutcome::kNothingSelected), 3);
    EXPECT_EQ(ExitCodeFor(RunOutcome::kNothingDecoded), 3);
    EXPECT_EQ(ExitCodeFor(RunOutcome::kCancelled), 4);
    EXPECT_EQ(ExitCodeFor(RunOutcome::kOpenFailed), 5);
    EXPECT_EQ(ExitCodeFor(RunOutcome::kWriteFailed), 5);
}

}  // namespace
}  // namespace chronoreel
