// "&Make Movie" in the window: the run goes on a worker thread while the preview shows it, the
// main window waits disabled, Cancel ends the run, the run's questions come up in the GUI
// thread, and the movie equals the one an unattended run makes of the same setup.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/event_pump.h"
#include "movie/make_movie.h"
#include "movie_setup/movie_maker_objects.h"
#include "movie_setup/run_sun_times.h"
#include "movie_setup/setup_file.h"
#include "programs/program_run.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/common/event_pump.h"
#include "ui/movie_maker/frm_main.h"
#include "ui/movie_maker/frm_preview.h"
#include "ui/movie_maker/movie_runner.h"
#include "ui/movie_maker/preview_run_view.h"
#include "ui/movie_maker/window_test_support.h"
#include "video/video_settings.h"

namespace chronoreel::ui {
namespace {

namespace fs = std::filesystem;
using testing::Application;
using testing::Control;
using testing::ReadText;
using testing::WaitUntil;
using testing::WriteText;

class MovieRunTest : public ::testing::Test {
  protected:
    MovieRunTest() {
        Application();
        window = std::make_unique<FrmMain>(
            MainWindowContext{objects, prompter, clock, dir.Path(), dir.Path(), {}});
        connect();
        window->show();
    }

    void connect() {
        QObject::connect(window.get(), &FrmMain::movieFinished,
                         [this](RunOutcome outcome) { finished = outcome; });
    }

    fs::path Cam() const { return dir / "cam"; }
    fs::path Setup() const { return dir / "day.tls"; }

    // A setup of the stills in Cam(), named by date and time, written to the given movie.
    void WriteSetup(const fs::path& movie, const std::string& more = "") {
        WriteText(Setup(), "[General]\nStillDirectory=" + Cam().string() +
                               "\nTimeStampOption=1\nOutputAVIPath=" + movie.string() + "\n" +
                               more);
    }

    void LoadSetup() {
        objects.state.currentSetupFile = Setup().string();
        SetupSession session = window->Session();
        LoadFile(session);
    }

    // Starts the run as the button does; texts seen in the preview are collected while waiting.
    bool MakeMovieAndWait(const std::function<void()>& whileRunning = {}) {
        finished.reset();
        Control<QAbstractButton>(*window, "cmdMakeMovie")->click();
        return WaitUntil([&] {
            if (FrmPreview* preview = window->Runner().Preview()) {
                statuses.push_back(Control<QLabel>(*preview, "lblStatus")->text().toStdString());
                progress =
                    std::max(progress, Control<QProgressBar>(*preview, "prgFrames")->value());
            }
            if (whileRunning && !finished) {
                whileRunning();
            }
            return finished.has_value();
        });
    }

    bool Saw(const std::string& status) const {
        return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
    }

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    SystemClock clock;
    std::unique_ptr<FrmMain> window;
    std::optional<RunOutcome> finished;
    std::vector<std::string> statuses;
    int progress = 0;
};

TEST_F(MovieRunTest, TheWindowMakesTheSameMovieAsTheUnattendedRun) {
    fs::create_directories(Cam());
    for (int i = 0; i < 12; ++i) {
        WriteText(Cam() / testing::StillName(i * 5),
                  testing::EncodeJpeg(testing::NoisePicture(64, 48, static_cast<unsigned>(i)), 90));
    }
    WriteSetup(dir / "window.avi", "MovieFPS=12\nDirection=-1\n");
    LoadSetup();

    ASSERT_TRUE(MakeMovieAndWait());
    EXPECT_EQ(*finished, RunOutcome::kMovieWritten);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(Saw("Status: Adding Frames to AVI"));
    EXPECT_EQ(progress, 12);

    const testing::ProgramRun unattended = testing::RunChronoreel(
        dir.Path(),
        {"/f=" + Setup().string(), "/a", "/i", "/op=" + (dir / "unattended.avi").string()});
    ASSERT_EQ(unattended.exitCode, 0) << unattended.err;
    const std::string fromWindow = ReadText(dir / "window.avi");
    ASSERT_GT(fromWindow.size(), 12u * 64 * 48 * 3);
    EXPECT_TRUE(fromWindow == ReadText(dir / "unattended.avi"));
}

TEST_F(MovieRunTest, CancelDuringTheFramesEndsTheRunWhileTheWindowWaitsDisabled) {
    // Large noisy stills under a lossless compressor take a while to write.
    testing::WriteStills(Cam(), 300, testing::NoisePicture(1280, 720, 7));
    WriteSetup(dir / "movie.avi",
               "[Compress]\nHandler=" + std::to_string(MakeFourcc("FFV1")) + "\n");
    LoadSetup();

    bool checkedWhileRunning = false;
    bool cancelled = false;
    const auto duringRun = [&] {
        FrmPreview* preview = window->Runner().Preview();
        if (!checkedWhileRunning) {
            checkedWhileRunning = true;
            EXPECT_FALSE(window->isEnabled());
            EXPECT_FALSE(window->close());                               // no closing under a run
            Control<QAbstractButton>(*window, "cmdMakeMovie")->click();  // disabled: no second run
        }
        const auto* picture = preview ? preview->findChild<PreviewPicture*>() : nullptr;
        if (!cancelled && picture && !picture->Image().isNull()) {
            EXPECT_EQ(preview->windowTitle(), "Movie Generation Preview");
            EXPECT_TRUE(preview->isVisible());
            Control<QAbstractButton>(*preview, "cmdCancel")->click();
            Control<QAbstractButton>(*preview, "cmdCancel")->click();  // twice is once
            cancelled = true;
        }
    };
    ASSERT_TRUE(MakeMovieAndWait(duringRun));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(*finished, RunOutcome::kCancelled);
    EXPECT_TRUE(Saw("Status: Cancelled by User"));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(window->Runner().Preview(), nullptr);
    EXPECT_GT(progress, 0);
    EXPECT_LT(progress, 300);
    EXPECT_TRUE(fs::exists(dir / "movie.avi"));
    EXPECT_TRUE(window->close());
}

TEST_F(MovieRunTest, TheRunsQuestionsComeUpWithTheirIconsAndLineBreaks) {
    fs::create_directories(Cam());
    WriteText(Cam() / testing::StillName(0),
              testing::EncodeJpeg(testing::QuadrantPicture(64, 48), 90));

    WriteSetup(dir / "no-such-folder" / "movie.avi");
    LoadSetup();
    ASSERT_TRUE(MakeMovieAndWait());
    EXPECT_EQ(*finished, RunOutcome::kOpenFailed);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "There was an error writing the AVI file.");
    EXPECT_EQ(prompter.messages[0].title, "Chronoreel");
    EXPECT_EQ(prompter.messages[0].icon, MessageIcon::kInformation);

    WriteSetup(dir / "movie.avi", "PostGenerationShell=no-such-program-for-chronoreel <outfile>\n");
    LoadSetup();
    ASSERT_TRUE(MakeMovieAndWait());
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text,
              "There was an error calling:\nno-such-program-for-chronoreel movie.avi");
    EXPECT_EQ(prompter.messages[1].title, "Error calling shell");
    EXPECT_EQ(prompter.messages[1].icon, MessageIcon::kExclamation);
}

TEST(UnattendedPreviewTest, ARunOnTheGuiThreadShowsThePreviewAndClosesItByItself) {
    // The visible unattended run: MakeMovie on the program's own thread, the preview kept alive
    // by the event pump at the run's checkpoints.
    Application();
    testing::TempDir dir;
    testing::WriteStills(dir / "cam", 8, testing::QuadrantPicture(64, 48));
    MovieMakerObjects objects;
    MovieGen& gen = objects.movieGen;
    gen.SetStillDirectory((dir / "cam").string());
    gen.SetTimeStampOption(1);
    gen.SetOutputAVIPath((dir / "movie.avi").string());
    testing::ScriptedPrompter prompter;
    PreviewRunView view(gen, prompter, nullptr);
    SystemClock clock;
    RunSunTimes sun(objects.state, clock);
    const RunContext context{clock, sun.Source(), &view, true, {}, {}};

    std::vector<std::string> statuses;
    bool shown = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        shown = shown || view.Window().isVisible();
        statuses.push_back(Control<QLabel>(view.Window(), "lblStatus")->text().toStdString());
    });
    watcher.start(5);
    SetEventPump(PumpGuiEvents);
    const RunOutcome outcome = MakeMovie(gen, context);
    SetEventPump({});

    EXPECT_EQ(outcome, RunOutcome::kMovieWritten);
    EXPECT_TRUE(shown);
    EXPECT_EQ(view.Window().windowTitle(), "Movie Generation Preview");
    EXPECT_FALSE(view.Window().isVisible());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Status: Adding Frames to AVI"),
              statuses.end());
    EXPECT_EQ(view.Window().PictureSize(), QSize(64, 48));
    EXPECT_TRUE(fs::exists(dir / "movie.avi"));
}

}  // namespace
}  // namespace chronoreel::ui
