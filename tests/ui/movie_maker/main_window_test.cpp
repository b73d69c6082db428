// The main window over real MovieGen settings: what filling writes back (nothing), what each
// control stores, the enabling rules, the recent files, the Browse dialogs and the Help menu.
#include "ui/movie_maker/frm_main.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "movie/settings_listing.h"
#include "movie_setup/movie_maker_objects.h"
#include "movie_setup/setup_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/movie_maker/window_test_support.h"

namespace chronoreel::ui {
namespace {

using testing::Application;
using testing::Control;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        Application();
        window = std::make_unique<FrmMain>(MainWindowContext{objects, prompter, clock, dir.Path(),
                                                             dir.Path(), [this](const QUrl& url) {
                                                                 opened.push_back(url);
                                                                 return true;
                                                             }});
        window->UpdateSetupControls();
        window->show();
        objects.state.setupChanged.Clear();
    }

    template <class T>
    T* C(const char* name) {
        return Control<T>(*window, name);
    }

    // Types text into a box as the user would, replacing what it held.
    void Type(const char* box, const QString& text) {
        QLineEdit* edit = C<QLineEdit>(box);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    MovieGen& Gen() { return objects.movieGen; }

    testing::TempDir dir;
    MovieMakerObjects objects;
    testing::ScriptedPrompter prompter;
    SystemClock clock;
    std::vector<QUrl> opened;
    std::unique_ptr<FrmMain> window;
};

TEST_F(MainWindowTest, EveryControlCarriesItsDesignName) {
    const std::vector<const char*> names = {"txtImageDirectory",
                                            "cmdBrowseImageDirectory",
                                            "txtImageFilter",
                                            "optUseTimeFilter_0",
                                            "optUseTimeFilter_1",
                                            "fraStartTime",
                                            "fraStopTime",
                                            "lblStart",
                                            "lblStop",
                                            "txtStartTimeRelative",
                                            "txtStartTimeToday",
                                            "txtStartTimeAbsolute",
                                            "txtStartTimeSunriseRelative",
                                            "txtStartTimeSunsetRelative",
                                            "txtStartTimeYesterday",
                                            "txtStopTimeRelative",
                                            "txtStopTimeToday",
                                            "txtStopTimeAbsolute",
                                            "txtStopTimeSunriseRelative",
                                            "txtStopTimeSunsetRelative",
                                            "txtStopTimeYesterday",
                                            "optImageInterval_0",
                                            "optImageInterval_1",
                                            "txtImageInterval",
                                            "lblDuplicateCount",
                                            "txtDuplicateCount",
                                            "optTimeStamp_0",
                                            "optTimeStamp_1",
                                            "txtOutputPath",
                                            "cmdBrowseOutputPath",
                                            "optMovieSize_0",
                                            "optMovieSize_1",
                                            "txtMovieWidth",
                                            "txtMovieHeight",
                                            "cmbFPS",
                                            "cmdShowCompressionOptions",
                                            "chkDeleteOlderImages",
                                            "txtDeleteOlderImagesHours",
                                            "chkMovieDirection",
                                            "txtPostGenerationShell",
                                            "cmdMakeMovie",
                                            "cmdQuit",
                                            "mnuFile",
                                            "mnuNewSetup",
                                            "mnuOpen",
                                            "mnuSave",
                                            "mnuSaveAs",
                                            "mnuSepFiles",
                                            "mnuFiles_0",
                                            "mnuFiles_1",
                                            "mnuFiles_2",
                                            "mnuFiles_3",
                                            "mnuQuit",
                                            "mnuSettings",
                                            "mnuLocation",
                                            "mnuHelp",
                                            "mnuOnlineHelp",
                                            "mnuOnlineUpdates",
                                            "mnuWebPage",
                                            "mnuAbout"};
    for (const char* name : names) {
        Control<QObject>(*window, name);
    }
    for (int i = 0; i <= 6; ++i) {
        Control<QRadioButton>(*window, QStringLiteral("optStartTime_%1").arg(i).toLatin1());
        Control<QRadioButton>(*window, QStringLiteral("optStopTime_%1").arg(i).toLatin1());
    }
    EXPECT_EQ(window->windowTitle(), "Chronoreel");
    EXPECT_EQ(C<QAbstractButton>("cmdMakeMovie")->text(), "&Make Movie");
    EXPECT_EQ(C<QAbstractButton>("optTimeStamp_1")->text(),
              "Use YYMMDDHHMMSSdd or YYYYMMDDHHMMSSdd naming (dd can be d, dd, or omitted)");
    // Save waits for a setup file to be loaded; the recent items for recent files.
    EXPECT_FALSE(C<QAction>("mnuSave")->isEnabled());
    EXPECT_TRUE(C<QAction>("mnuSaveAs")->isEnabled());
    EXPECT_FALSE(C<QAction>("mnuSepFiles")->isVisible());
    EXPECT_FALSE(C<QAction>("mnuFiles_0")->isVisible());
}

TEST_F(MainWindowTest, FillingTheControlsWritesNothingBack) {
    MovieGen& m = Gen();
    m.SetStillDirectory("/cams/roof");
    m.SetImageFilter("cam*.jpg");
    m.SetDeleteOldImages(true);
    m.SetDeleteOldImagesHours(36.5);
    m.SetMovieDirection(-1);
    m.SetTimeOption(1);
    m.SetStartTimeOption(2);
    m.SetStartTimeToday(0.25);
    m.SetStopTimeOption(3);
    m.SetStopTimeAbsolute(37621.97399305555);  // 2002-12-31 23:22:33
    m.SetStopTimeSunsetRelative(-1.5);
    m.SetImageIntervalOption(1);
    m.SetImagesPerHour(12);
    m.SetDuplicateCount(5);
    m.SetTimeStampOption(1);
    m.SetOutputAVIPath("/movies/roof.avi");
    m.SetMovieSizeOption(1);
    m.SetMovieSizeWidth(640);
    m.SetMovieSizeHeight(480);
    m.SetMovieFPS(7);
    m.SetPostGenerationShell("sh -c \"cp <outpath> /www\"");
    objects.state.setupChanged.Clear();
    const std::vector<std::string> before = SettingsListing(m);

    window->UpdateSetupControls();

    EXPECT_FALSE(objects.state.setupChanged.IsSet());
    EXPECT_EQ(SettingsListing(m), before);
    // What the controls show.
    EXPECT_EQ(C<QLineEdit>("txtStartTimeToday")->text(), "06:00:00 AM");
    EXPECT_EQ(C<QLineEdit>("txtStopTimeAbsolute")->text(), "12/31/2002 11:22:33 PM");
    EXPECT_EQ(C<QLineEdit>("txtStopTimeSunsetRelative")->text(), "-1.5");
    EXPECT_EQ(C<QLineEdit>("txtDeleteOlderImagesHours")->text(), "36.5");
    EXPECT_TRUE(C<QRadioButton>("optStopTime_3")->isChecked());
    EXPECT_TRUE(C<QCheckBox>("chkMovieDirection")->isChecked());
    // A rate that is not in the list shows 24 and stays 7.
    EXPECT_EQ(C<QComboBox>("cmbFPS")->count(), 13);
    EXPECT_EQ(C<QComboBox>("cmbFPS")->currentText(), "24");
    EXPECT_EQ(m.MovieFPS(), 7);
}

TEST_F(MainWindowTest, TheFrameRateChangesOnlyWhenTheUserPicksAnEntry) {
    Gen().SetMovieFPS(7);
    window->UpdateSetupControls();
    objects.state.setupChanged.Clear();
    QComboBox* fps = C<QComboBox>("cmbFPS");
    QTest::keyClick(fps, Qt::Key_Down);  // from "24" to the next entry, "20"
    EXPECT_EQ(fps->currentText(), "20");
    EXPECT_EQ(Gen().MovieFPS(), 20);
    EXPECT_TRUE(objects.state.setupChanged.IsSet());
}

TEST_F(MainWindowTest, TypingIntoABoxSelectsItsOptionAndStoresBoth) {
    struct Case {
        const char* box;
        const char* option;
        QString typed;
        std::function<bool(const MovieGen&)> stored;
    };
    const std::vector<Case> cases = {
        {"txtStartTimeRelative", "optStartTime_1", "2.5",
         [](const MovieGen& m) {
             return m.StartTimeOption() == 1 && m.StartTimeRelative() == 2.5;
         }},
        {"txtStartTimeSunriseRelative", "optStartTime_4", "-1",
         [](const MovieGen& m) {
             return m.StartTimeOption() == 4 && m.StartTimeSunriseRelative() == -1;
         }},
        {"txtStopTimeYesterday", "optStopTime_6", "10:15:00 PM",
         [](const MovieGen& m) {
             return m.StopTimeOption() == 6 &&
                    std::abs(m.StopTimeYesterday() - (22.25 / 24)) < 1e-9;
         }},
        {"txtStopTimeSunsetRelative", "optStopTime_5", "3",
         [](const MovieGen& m) {
             return m.StopTimeOption() == 5 && m.StopTimeSunsetRelative() == 3;
         }},
        {"txtImageInterval", "optImageInterval_1", "30",
         [](const MovieGen& m) { return m.ImageIntervalOption() == 1 && m.ImagesPerHour() == 30; }},
        {"txtMovieWidth", "optMovieSize_1", "800",
         [](const MovieGen& m) { return m.MovieSizeOption() == 1 && m.MovieSizeWidth() == 800; }},
        {"txtMovieHeight", "optMovieSize_1", "600",
         [](const MovieGen& m) { return m.MovieSizeOption() == 1 && m.MovieSizeHeight() == 600; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        Gen().SetTimeOption(1);  // the start and stop boxes take input only then
        Gen().SetStartTimeOption(0);
        Gen().SetStopTimeOption(0);
        Gen().SetImageIntervalOption(0);
        Gen().SetMovieSizeOption(0);
        window->UpdateSetupControls();
        objects.state.setupChanged.Clear();
        Type(c.box, c.typed);
        EXPECT_TRUE(C<QRadioButton>(c.option)->isChecked());
        EXPECT_TRUE(c.stored(Gen()));
        EXPECT_TRUE(objects.state.setupChanged.IsSet());
    }
}

TEST_F(MainWindowTest, LettersInANumberBoxStoreZeroWhichTheSettingLimits) {
    Type("txtImageInterval", "abc");
    EXPECT_EQ(Gen().ImageIntervalOption(), 1);
    EXPECT_EQ(Gen().ImagesPerHour(), 1);  // 0 limited to the smallest rate
    EXPECT_EQ(C<QLineEdit>("txtImageInterval")->text(), "abc");
    // Hours typed beside "Delete Images Older Than" do not tick it.
    Type("txtDeleteOlderImagesHours", "12");
    EXPECT_EQ(Gen().DeleteOldImagesHours(), 12);
    EXPECT_FALSE(Gen().DeleteOldImages());
    EXPECT_FALSE(C<QCheckBox>("chkDeleteOlderImages")->isChecked());
}

TEST_F(MainWindowTest, ATimeThatDoesNotReadKeepsTheStoredOne) {
    Gen().SetTimeOption(1);
    Gen().SetStartTimeToday(0.25);
    window->UpdateSetupControls();
    Type("txtStartTimeToday", "half past");
    EXPECT_EQ(Gen().StartTimeToday(), 0.25);
    EXPECT_EQ(Gen().StartTimeOption(), 2);
    Type("txtStartTimeToday", "07:30:00 PM");
    EXPECT_DOUBLE_EQ(Gen().StartTimeToday(), 19.5 / 24);
}

TEST_F(MainWindowTest, PathsAndCommandsAreStoredWithoutEnclosingBlanks) {
    Type("txtImageDirectory", "  /cams/one  ");
    Type("txtPostGenerationShell", " touch <outpath>.done ");
    EXPECT_EQ(Gen().StillDirectory(), "/cams/one");
    EXPECT_EQ(Gen().PostGenerationShell(), "touch <outpath>.done");
    EXPECT_EQ(C<QLineEdit>("txtImageDirectory")->text(), "  /cams/one  ");
}

TEST_F(MainWindowTest, CheckBoxesAndOptionsStoreTheirValues) {
    C<QCheckBox>("chkMovieDirection")->click();
    EXPECT_EQ(Gen().MovieDirection(), -1);
    C<QCheckBox>("chkMovieDirection")->click();
    EXPECT_EQ(Gen().MovieDirection(), 1);
    C<QCheckBox>("chkDeleteOlderImages")->click();
    EXPECT_TRUE(Gen().DeleteOldImages());
    C<QRadioButton>("optTimeStamp_1")->click();
    EXPECT_EQ(Gen().TimeStampOption(), 1);
    C<QRadioButton>("optUseTimeFilter_1")->click();
    EXPECT_EQ(Gen().TimeOption(), 1);
    C<QRadioButton>("optStopTime_2")->click();
    EXPECT_EQ(Gen().StopTimeOption(), 2);
}

TEST_F(MainWindowTest, IgnoringFileTimeDisablesTheStartAndStopControls) {
    const std::vector<const char*> governed = {"lblStart",         "lblStop",
                                               "fraStartTime",     "fraStopTime",
                                               "optStartTime_3",   "txtStopTimeAbsolute",
                                               "lblStartTimeToday"};
    const auto enabled = [&](bool expected) {
        for (const char* name : governed) {
            EXPECT_EQ(C<QWidget>(name)->isEnabled(), expected) << name;
        }
    };
    Gen().SetTimeOption(1);
    window->UpdateSetupControls();
    enabled(true);
    C<QRadioButton>("optUseTimeFilter_0")->click();
    enabled(false);
    EXPECT_EQ(Gen().TimeOption(), 0);
    // Filling runs the rule even when the option shown does not change.
    Gen().SetTimeOption(1);
    window->UpdateSetupControls();
    enabled(true);
    C<QWidget>("fraStartTime")->setEnabled(false);
    window->UpdateSetupControls();
    enabled(true);
}

TEST_F(MainWindowTest, RepeatsPerImageAreEnabledOnlyForImagesPerHour) {
    Gen().SetImageIntervalOption(0);
    window->UpdateSetupControls();
    EXPECT_FALSE(C<QWidget>("txtDuplicateCount")->isEnabled());
    EXPECT_FALSE(C<QWidget>("lblDuplicateCount")->isEnabled());
    EXPECT_TRUE(C<QWidget>("txtImageInterval")->isEnabled());
    C<QRadioButton>("optImageInterval_1")->click();
    EXPECT_TRUE(C<QWidget>("txtDuplicateCount")->isEnabled());
    EXPECT_TRUE(C<QWidget>("lblDuplicateCount")->isEnabled());
}

TEST_F(MainWindowTest, TheRecentFileAlreadyOpenDoesNothingAnotherAsksAndLoads) {
    const std::string open = (dir / "open.tls").string();
    const std::string other = (dir / "other.tls").string();
    testing::WriteText(open, "[General]\nImageFilter=open*.jpg\n");
    testing::WriteText(other, "[General]\nImageFilter=other*.jpg\n");
    objects.state.currentSetupFile = open;
    SetupSession session = window->Session();
    LoadFile(session);
    objects.state.recentFiles = {open, other, "", ""};
    window->RecentFilesChanged(objects.state.recentFiles);
    EXPECT_TRUE(C<QAction>("mnuSave")->isEnabled());
    EXPECT_EQ(C<QAction>("mnuFiles_1")->text().toStdString(), other);
    EXPECT_TRUE(C<QAction>("mnuSepFiles")->isVisible());
    Gen().SetImageFilter("changed*.jpg");

    C<QAction>("mnuFiles_0")->trigger();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(Gen().ImageFilter(), "changed*.jpg");
    EXPECT_TRUE(objects.state.setupChanged.IsSet());

    prompter.messageAnswers.push_back(MessageAnswer::kNo);
    C<QAction>("mnuFiles_1")->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].title, "Save Changes?");
    EXPECT_EQ(objects.state.currentSetupFile, other);
    EXPECT_EQ(Gen().ImageFilter(), "other*.jpg");
    EXPECT_EQ(C<QLineEdit>("txtImageFilter")->text(), "other*.jpg");
    EXPECT_EQ(window->windowTitle().toStdString(), "Chronoreel - " + other);
    EXPECT_EQ(C<QAction>("mnuFiles_0")->text().toStdString(), other);
}

TEST_F(MainWindowTest, CancelledBrowseDialogsChangeNothing) {
    const std::filesystem::path before = std::filesystem::current_path();
    const std::vector<std::string> settings = SettingsListing(Gen());
    C<QAbstractButton>("cmdBrowseImageDirectory")->click();
    C<QAbstractButton>("cmdBrowseOutputPath")->click();
    EXPECT_EQ(SettingsListing(Gen()), settings);
    EXPECT_FALSE(objects.state.setupChanged.IsSet());
    EXPECT_EQ(C<QLineEdit>("txtImageDirectory")->text(), "images/");
    EXPECT_EQ(C<QLineEdit>("txtOutputPath")->text(), "mymovie.avi");
    EXPECT_EQ(std::filesystem::current_path(), before);

    ASSERT_EQ(prompter.dialogs.size(), 2u);
    EXPECT_EQ(prompter.dialogs[0].title, "Still Image Directory Selection");
    EXPECT_EQ(prompter.dialogs[0].style, FileDialogStyle::kFolder);
    EXPECT_EQ(prompter.dialogs[0].startFolder, "images/");
    EXPECT_EQ(prompter.dialogs[1].title, "Output AVI File Selection");
    EXPECT_EQ(prompter.dialogs[1].filter, "AVI (*.avi)|*.avi");
    EXPECT_EQ(prompter.dialogs[1].fileName, "mymovie.avi");
}

TEST_F(MainWindowTest, BrowseFillsTheBoxesWhichStoreThePaths) {
    prompter.dialogAnswers.push_back(std::string("/cams/roof"));
    prompter.dialogAnswers.push_back(std::string("/movies/roof"));
    C<QAbstractButton>("cmdBrowseImageDirectory")->click();
    C<QAbstractButton>("cmdBrowseOutputPath")->click();
    EXPECT_EQ(Gen().StillDirectory(), "/cams/roof");
    EXPECT_EQ(Gen().OutputAVIPath(), "/movies/roof.avi");
    EXPECT_EQ(C<QLineEdit>("txtOutputPath")->text(), "/movies/roof.avi");
}

TEST_F(MainWindowTest, EveryHelpItemOpensTheBundledManual) {
    C<QAction>("mnuOnlineHelp")->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].text.find("The manual was not found"), std::string::npos);
    EXPECT_TRUE(opened.empty());

    const std::filesystem::path manual = dir / "docs" / "Chronoreel" / "index.htm";
    std::filesystem::create_directories(manual.parent_path());
    testing::WriteText(manual, "<html></html>");
    for (const char* item : {"mnuOnlineHelp", "mnuOnlineUpdates", "mnuWebPage"}) {
        C<QAction>(item)->trigger();
    }
    ASSERT_EQ(opened.size(), 3u);
    for (const QUrl& url : opened) {
        EXPECT_EQ(url, QUrl::fromLocalFile(QString::fromStdString(manual.string())));
    }
}

}  // namespace
}  // namespace chronoreel::ui
