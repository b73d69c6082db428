// The interactive session: the splash, the setup it opens, and the end through the main
// window's close with the "Save Changes?" question; and a setup saved from the window read back
// by the program's dry run.
#include "ui/movie_maker/movie_maker_session.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "movie/settings_listing.h"
#include "movie_setup/compression_choice.h"
#include "movie_setup/movie_maker_objects.h"
#include "programs/program_run.h"
#include "support/scripted_prompter.h"
#include "support/setup_test_helpers.h"
#include "support/temp_dir.h"
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

class SessionTest : public ::testing::Test {
  protected:
    SessionTest() { Application(); }

    // Begins a session as the program does; setupFile as the command line named it.
    MovieMakerSession& Begin(const std::string& setupFile = "", const std::string& missing = "",
                             std::chrono::milliseconds splash = std::chrono::milliseconds(0)) {
        start = std::make_unique<InteractiveStart>(
            InteractiveStart{objects, setupFile, missing, dir.Path(), clock});
        SessionOptions options;
        options.splashMinimum = splash;
        options.programFolder = dir.Path();
        options.openUrl = [](const QUrl&) { return true; };
        session = std::make_unique<MovieMakerSession>(*start, prompter, options);
        QObject::connect(session.get(), &MovieMakerSession::finished, [this] { ended = true; });
        session->Begin();
        return *session;
    }

    bool MainShown() {
        return WaitUntil([&] { return session->MainWindow().isVisible(); }, 5000);
    }

    std::string MakeSetup(const std::string& name, const std::string& filter) {
        const std::string path = (dir / name).string();
        WriteText(path, "[General]\nImageFilter=" + filter + "\n");
        return path;
    }

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    SystemClock clock;
    std::unique_ptr<InteractiveStart> start;
    std::unique_ptr<MovieMakerSession> session;
    bool ended = false;
};

TEST_F(SessionTest, WithoutASetupFileTheSplashStaysItsTimeAndAClickOnlyHidesIt) {
    const std::string recent = MakeSetup("recent.tls", "recent*.jpg");
    WriteText(dir / "Chronoreel.INI", "[Last Files]\nFile1=" + recent + "\n");
    QElapsedTimer elapsed;
    elapsed.start();
    MovieMakerSession& s = Begin("", "", std::chrono::milliseconds(400));

    ASSERT_NE(s.Splash(), nullptr);
    EXPECT_TRUE(s.Splash()->isVisible());
    EXPECT_EQ(Control<QLabel>(*s.Splash(), "lblVersion")->text(), "Version: 1.0.14");
    EXPECT_FALSE(s.MainWindow().isVisible());
    QTest::mouseClick(s.Splash(), Qt::LeftButton);
    EXPECT_FALSE(s.Splash()->isVisible());
    EXPECT_FALSE(s.MainWindow().isVisible());

    ASSERT_TRUE(MainShown());
    EXPECT_GE(elapsed.elapsed(), 400);
    EXPECT_TRUE(WaitUntil([&] { return s.Splash() == nullptr; }, 2000));
    // The newest recent file is open.
    EXPECT_EQ(s.MainWindow().windowTitle().toStdString(), "Chronoreel - " + recent);
    EXPECT_EQ(objects.movieGen.ImageFilter(), "recent*.jpg");
    EXPECT_TRUE(Control<QAction>(s.MainWindow(), "mnuFiles_0")->isVisible());
}

TEST_F(SessionTest, ASetupFileOnTheCommandLineOpensWithoutSplash) {
    const std::string named = MakeSetup("named.tls", "named*.jpg");
    MovieMakerSession& s = Begin(named, "", std::chrono::milliseconds(4000));
    EXPECT_EQ(s.Splash(), nullptr);
    ASSERT_TRUE(MainShown());
    EXPECT_EQ(s.MainWindow().windowTitle().toStdString(), "Chronoreel - " + named);
    EXPECT_EQ(Control<QLineEdit>(s.MainWindow(), "txtImageFilter")->text(), "named*.jpg");
    EXPECT_FALSE(objects.state.setupChanged.IsSet());
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SessionTest, NoSetupAnywhereShowsTheDefaultsAndAMissingFileIsTold) {
    MovieMakerSession& s = Begin("", (dir / "gone.tls").string());
    ASSERT_TRUE(MainShown());
    EXPECT_EQ(s.MainWindow().windowTitle(), "Chronoreel");
    EXPECT_EQ(Control<QLineEdit>(s.MainWindow(), "txtImageDirectory")->text(), "images/");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].text.find("gone.tls"), std::string::npos);
    // The settings file exists from the start.
    EXPECT_TRUE(fs::exists(dir / "Chronoreel.INI"));
}

TEST_F(SessionTest, QuittingWithUnsavedChangesAsksAndEachAnswerDoesItsPart) {
    struct Case {
        const char* name;
        bool withSetupFile;
        MessageAnswer answer;
        std::optional<std::string> saveDialog;  // the answer to "Save Setup File"
        bool ends;
        bool saved;
    };
    const std::vector<Case> cases = {
        {"yes", true, MessageAnswer::kYes, std::nullopt, true, true},
        {"no", true, MessageAnswer::kNo, std::nullopt, true, false},
        {"cancel", true, MessageAnswer::kCancel, std::nullopt, false, false},
        {"yes without a file, dialog cancelled", false, MessageAnswer::kYes, std::nullopt, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir folder;
        MovieMakerObjects fresh;
        testing::ScriptedPrompter answers;
        const std::string setup = (folder / "day.tls").string();
        WriteText(setup, "[General]\nImageFilter=old*.jpg\n");
        InteractiveStart begin{fresh, c.withSetupFile ? setup : "", "", folder.Path(), clock};
        SessionOptions options;
        options.splashMinimum = std::chrono::milliseconds(0);
        MovieMakerSession s(begin, answers, options);
        bool finished = false;
        QObject::connect(&s, &MovieMakerSession::finished, [&] { finished = true; });
        s.Begin();
        ASSERT_TRUE(WaitUntil([&] { return s.MainWindow().isVisible(); }, 5000));
        QLineEdit* filter = Control<QLineEdit>(s.MainWindow(), "txtImageFilter");
        filter->selectAll();
        QTest::keyClicks(filter, "new*.jpg");
        answers.messageAnswers.push_back(c.answer);
        if (c.saveDialog) {
            answers.dialogAnswers.push_back(*c.saveDialog);
        }

        EXPECT_EQ(s.MainWindow().close(), c.ends);

        EXPECT_EQ(finished, c.ends);
        EXPECT_EQ(s.MainWindow().isVisible(), !c.ends);
        ASSERT_FALSE(answers.messages.empty());
        EXPECT_EQ(answers.messages[0].title, "Save Changes?");
        EXPECT_EQ(answers.messages[0].buttons, MessageButtons::kYesNoCancel);
        EXPECT_EQ(ReadText(setup).find("new*.jpg") != std::string::npos, c.saved);
        if (!c.ends) {
            // Nothing saved, the program goes on; the next close asks again.
            EXPECT_TRUE(fresh.state.setupChanged.IsSet());
            answers.messageAnswers.push_back(MessageAnswer::kNo);
            EXPECT_TRUE(s.MainWindow().close());
            EXPECT_TRUE(finished);
        }
        // The settings file keeps the recent files at the end.
        const std::string settings = ReadText(folder / "Chronoreel.INI");
        EXPECT_EQ(settings.find("File1=" + setup) != std::string::npos, c.withSetupFile);
    }
}

TEST_F(SessionTest, ASetupSavedFromTheWindowReadsBackInTheDryRun) {
    MovieMakerSession& s = Begin(MakeSetup("start.tls", "*.jpg"));
    ASSERT_TRUE(MainShown());
    FrmMain& window = s.MainWindow();
    const auto type = [&](const char* box, const char* text) {
        QLineEdit* edit = Control<QLineEdit>(window, box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    Control<QAbstractButton>(window, "optUseTimeFilter_1")->click();
    type("txtImageDirectory", "/cams/roof");
    type("txtStartTimeSunriseRelative", "-0.5");
    type("txtStopTimeAbsolute", "12/31/2030 11:22:33 PM");
    type("txtImageInterval", "12.5");
    Control<QAbstractButton>(window, "optImageInterval_1")->click();
    type("txtDuplicateCount", "4");
    Control<QAbstractButton>(window, "optTimeStamp_1")->click();
    type("txtOutputPath", "/movies/roof.avi");
    type("txtMovieWidth", "642");
    Control<QAbstractButton>(window, "chkMovieDirection")->click();
    Control<QAbstractButton>(window, "chkDeleteOlderImages")->click();
    type("txtDeleteOlderImagesHours", "72.25");
    type("txtPostGenerationShell", "sh -c \"cp <outpath> /www/\"");
    CompressionChoice choice;
    choice.handler = MakeFourcc("MJPG");
    choice.qualityPercent = 85;
    choice.keyFramesSet = true;
    choice.keyFrameEvery = 48;
    choice.extraOptions = "huffman=default";
    StoreCompressionChoice(objects.movieGen, choice);

    const std::string saved = (dir / "saved.tls").string();
    prompter.dialogAnswers.push_back(saved);
    Control<QAction>(window, "mnuSaveAs")->trigger();
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(window.windowTitle().toStdString(), "Chronoreel - " + saved);

    const testing::ProgramRun dry =
        testing::RunChronoreel(dir.Path(), {"/f=" + saved, "--dry-run"});
    std::vector<std::string> lines = testing::Lines(dry.out);
    const auto end = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("WindowStart=");
    });
    ASSERT_NE(end, lines.end()) << dry.out << dry.err;
    lines.erase(end, lines.end());
    EXPECT_EQ(lines, SettingsListing(objects.movieGen));
}

}  // namespace
}  // namespace chronoreel::ui
