// The windows the scheduler's main window opens: the schedule editor, the settings and About.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <string>
#include <vector>

#include "scheduler/schedule.h"
#include "scheduler/task_file.h"
#include "ui/common/frm_about.h"
#include "ui/scheduler/frm_scheduler.h"
#include "ui/scheduler/frm_settings.h"
#include "ui/scheduler/scheduler_window_fixture.h"

namespace chronoreel::ui::scheduler {
namespace {

using testing::Control;
using testing::SchedulerWindowTest;
using testing::TaskLines;
using testing::WaitUntil;

using DialogsTest = SchedulerWindowTest;

const TaskLines kRoof{"Roof",
                      {480},
                      {"SetupFile=/cam/roof.tls", "ScheduleMode=1", "StartMode=1",
                       "StartSunriseOffset=30", "StopMode=0", "StopAbsoluteTime=0.75"}};

// The start and stop controls of the schedule editor.
const std::vector<const char*> kEdgeControls = {"optStart_0",
                                                "optStart_1",
                                                "optStart_2",
                                                "txtAbsoluteStart",
                                                "txtStartSunriseOffset",
                                                "txtStartSunsetOffset",
                                                "optStop_0",
                                                "optStop_1",
                                                "optStop_2",
                                                "txtAbsoluteStop",
                                                "txtStopSunriseOffset",
                                                "txtStopSunsetOffset"};

TEST_F(DialogsTest, ScheduleEditorAppliesEveryEditAtOnceAndOkShowsTheNewWindow) {
    WriteTaskFile({kRoof});
    FrmMain& shown = Open();
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "sunrise+30 min to 18:00:00");
    Find<QAbstractButton>("cmdFixedSchedule")->click();
    FrmScheduler* editor = shown.ScheduleEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(shown.isEnabled());
    EXPECT_EQ(editor->windowTitle(), "Schedule Setup");
    EXPECT_TRUE(Control<QRadioButton>(*editor, "optEnableType_1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(*editor, "optStart_1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(*editor, "optStop_0")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(*editor, "txtAbsoluteStart")->text(), "00:00:00");
    EXPECT_EQ(Control<QLineEdit>(*editor, "txtAbsoluteStop")->text(), "18:00:00");
    EXPECT_EQ(Control<QLineEdit>(*editor, "txtStartSunriseOffset")->text(), "30");
    const Schedule& schedule = state.Tasks().At(0)->GetSchedule();
    EXPECT_FALSE(schedule.NeedsSaving());

    // "24-Hours" disables the start and stop controls, "From Start to Stop" enables them.
    Control<QAbstractButton>(*editor, "optEnableType_0")->click();
    EXPECT_EQ(schedule.ScheduleMode(), 0);
    for (const char* name : kEdgeControls) {
        EXPECT_FALSE(Control<QWidget>(*editor, name)->isEnabled()) << name;
    }
    Control<QAbstractButton>(*editor, "optEnableType_1")->click();
    EXPECT_EQ(schedule.ScheduleMode(), 1);
    for (const char* name : kEdgeControls) {
        EXPECT_TRUE(Control<QWidget>(*editor, name)->isEnabled()) << name;
    }

    // Text that is no time stores 00:00:00; offsets are held to a day.
    Control<QLineEdit>(*editor, "txtAbsoluteStart")->setText("7.30");
    EXPECT_DOUBLE_EQ(schedule.StartAbsoluteTime(), 0.3125);
    Control<QLineEdit>(*editor, "txtAbsoluteStop")->setText("late");
    EXPECT_DOUBLE_EQ(schedule.StopAbsoluteTime(), 0.0);
    Control<QLineEdit>(*editor, "txtStopSunsetOffset")->setText(" 2000 ");
    EXPECT_DOUBLE_EQ(schedule.StopSunsetOffset(), 1440.0);
    Control<QAbstractButton>(*editor, "optStart_0")->click();
    Control<QAbstractButton>(*editor, "optStop_2")->click();
    EXPECT_EQ(schedule.StartMode(), 0);
    EXPECT_EQ(schedule.StopMode(), 2);

    Control<QAbstractButton>(*editor, "cmdExit")->click();
    EXPECT_EQ(editor->Result(), 1);
    EXPECT_TRUE(WaitUntil([&] { return shown.ScheduleEditor() == nullptr; }, 2000));
    EXPECT_TRUE(shown.isEnabled());
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "07:30:00 to sunset+1440 min");
    // The window reached the task file with the editor's close.
    EXPECT_FALSE(schedule.NeedsSaving());
    const std::string file = TaskFileText();
    EXPECT_NE(file.find("\nStartMode=0\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nStopMode=2\n"), std::string::npos);
    EXPECT_NE(file.find("\nStopSunsetOffset=1440\n"), std::string::npos);
}

TEST_F(DialogsTest, ClosingTheMainWindowClosesTheEditorFirst) {
    WriteTaskFile({kRoof});
    FrmMain& shown = Open();
    Find<QAbstractButton>("cmdFixedSchedule")->click();
    ASSERT_NE(shown.ScheduleEditor(), nullptr);
    Control<QLineEdit>(*shown.ScheduleEditor(), "txtStartSunriseOffset")->setText("-45");
    shown.close();
    EXPECT_EQ(shown.ScheduleEditor(), nullptr);
    EXPECT_FALSE(state.AppRunning());
    EXPECT_NE(TaskFileText().find("\nStartSunriseOffset=-45\n"), std::string::npos);
}

TEST_F(DialogsTest, SettingsStoreTheMovieMakersPathAtOnce) {
    FrmMain& shown = Open();
    Find<QAction>("mnuSettings")->trigger();
    FrmSettings* settings = shown.Settings();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(Control<QLabel>(*settings, "Label1")->text(),
              "Chronoreel Executable (chronoreel) location:");
    auto* location = Control<QLineEdit>(*settings, "txtChronoreelLocation");
    EXPECT_EQ(location->text(), kMovieMaker);
    // Nothing can be run from there.
    QLabel* note = Control<QLabel>(*settings, "lblNotRunnable");
    EXPECT_TRUE(note->isVisibleTo(settings));

    location->setText(" /bin/sh ");
    EXPECT_EQ(state.Tasks().ChronoreelPath(), "/bin/sh");
    EXPECT_NE(TaskFileText().find("\nChronoreelPath=/bin/sh\n"), std::string::npos);
    EXPECT_FALSE(note->isVisibleTo(settings));

    prompter.chosen = {"/usr/local/bin/my-chronoreel"};
    Control<QAbstractButton>(*settings, "cmdSetupFileBrowse")->click();
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].title, "Chronoreel Executable Location Selection");
    EXPECT_EQ(prompter.dialogs[0].filter, "Programs (*)|*");
    EXPECT_EQ(prompter.dialogs[0].fileName, " /bin/sh ");
    EXPECT_EQ(state.Tasks().ChronoreelPath(), "/usr/local/bin/my-chronoreel");

    // Asked for again while it is open, the same window comes to the front.
    Find<QAction>("mnuSettings")->trigger();
    EXPECT_EQ(shown.Settings(), settings);
}

TEST_F(DialogsTest, MovieMakerPathsThatCanBeRun) {
    const std::string plainFile = dir / "notes.txt";
    testing::WriteText(plainFile, "not a program\n");
    ::chmod(plainFile.c_str(), 0644);
    const struct {
        std::string path;
        bool runnable;
    } cases[] = {
        {"/bin/sh", true}, {"chronoreel", true},  // found on PATH when the run starts
        {"", false},       {"/bin", false},      {plainFile, false}, {"/no/such/chronoreel", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MovieMakerRunnable(c.path), c.runnable) << c.path;
    }
}

TEST_F(DialogsTest, AboutNamesTheScheduler) {
    FrmMain& shown = Open();
    Find<QAction>("mnuAbout")->trigger();
    ASSERT_NE(shown.About(), nullptr);
    EXPECT_TRUE(shown.About()->isVisible());
    EXPECT_EQ(shown.About()->windowTitle(), "About Chronoreel Scheduler");
    EXPECT_EQ(Control<QLabel>(*shown.About(), "lblTitle")->text(), "Chronoreel Scheduler");
    EXPECT_EQ(Control<QLabel>(*shown.About(), "lblVersion")->text(), "Version " CHRONOREEL_VERSION);
}

}  // namespace
}  // namespace chronoreel::ui::scheduler
