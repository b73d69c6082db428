// The scheduler's main window on a fake clock and a fake movie maker: the task controls, every
// edit reaching the task file, the task commands, the grid of runs and the notification area.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <string>
#include <vector>

#include "scheduler/task_file.h"
#include "ui/scheduler/scheduler_window_fixture.h"
#include "ui/scheduler/tray_icon.h"

namespace chronoreel::ui::scheduler {
namespace {

using testing::SchedulerWindowTest;
using testing::TaskLines;
using testing::WaitUntil;

class MainWindowTest : public SchedulerWindowTest {
  protected:
    // The minute list on its page, laid out (a hidden list has nothing to scroll).
    QListWidget* ShowMinuteList() {
        Find<QTabWidget>("tabTask")->setCurrentIndex(1);
        WaitUntil([] { return true; });
        return Find<QListWidget>("lstSelectTimes");
    }
};

// The controls that belong to a task (everything but "Create New Task" and the menus).
const std::vector<const char*> kTaskControls = {"cmbTaskSelection",
                                                "cmdDeleteTask",
                                                "cmdCopyTask",
                                                "cmdRenameTask",
                                                "cmdRunTask",
                                                "cmdOpenTask",
                                                "txtTaskSetupFile",
                                                "cmdSetupFileBrowse",
                                                "chkShowPreview",
                                                "cmdFixedSchedule",
                                                "lstSelectTimes",
                                                "cmbInterval",
                                                "cmdAddIntervalTimes",
                                                "cmdClearAllTimes",
                                                "chkTaskOverrideInputPath",
                                                "txtTaskInputPath",
                                                "cmdBrowseStillDirectory",
                                                "chkTaskOverrideFileFilter",
                                                "txtTaskInputFilter",
                                                "chkTaskOverrideOutputAVIPath",
                                                "txtTaskOutputPath",
                                                "cmdBrowseOutputAVIPath",
                                                "chkTaskOverridePostGenerationShell",
                                                "txtTaskPostGenerationShell"};

const TaskLines kRoof{
    "Roof",
    {480},
    {"SetupFile=/cam/roof.tls", "Visible=True", "Interval=15", "OverrideInputPath=True",
     "InputPath=\"/cam/in\"", "ScheduleMode=1", "StartMode=1", "StartSunriseOffset=30",
     "StopMode=0", "StopAbsoluteTime=0.75"}};
const TaskLines kGarden{"Garden", {600, 601}, {"SetupFile=/cam/garden.tls", "Interval=3"}};

int MinutesOn(const Task& task) {
    int count = 0;
    for (int minute = 0; minute < Task::kMinutesPerDay; ++minute) {
        count += task.SetupTimesIndex(minute) ? 1 : 0;
    }
    return count;
}

// The task as a fresh load of the task file has it.
std::shared_ptr<Task> TaskInFile(const std::string& path, int position) {
    static ScheduleChangedFlag unwatched;
    TaskFile file(unwatched);
    file.SetPaths(path, "");
    file.LoadAll();
    return file.At(position);
}

TEST_F(MainWindowTest, WithoutTasksOnlyANewTaskCanBeMade) {
    FrmMain& shown = Open();
    EXPECT_EQ(shown.windowTitle(), "Chronoreel Scheduler");
    EXPECT_TRUE(shown.isVisible());
    for (const char* name : kTaskControls) {
        EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(Find<QWidget>("cmdNewTask")->isEnabled());
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "No Task Selected");
    EXPECT_EQ(Find<QTabWidget>("tabTask")->currentIndex(), 0);
    EXPECT_EQ(Find<QTabWidget>("tabTask")->tabText(1), "Schedule");
    EXPECT_EQ(Find<QListWidget>("lstSelectTimes")->count(), 1440);
    EXPECT_EQ(Find<QListWidget>("lstSelectTimes")->item(1439)->text(), "11:59 PM");
    EXPECT_EQ(shown.TasksTimer().interval(), 1000);
    EXPECT_TRUE(shown.TasksTimer().isActive());
    EXPECT_TRUE(GridRows().empty());
}

TEST_F(MainWindowTest, ChoosingAnotherTaskRefillsTheControlsWithoutWritingBack) {
    WriteTaskFile({kRoof, kGarden});
    Open();
    EXPECT_EQ(Find<QComboBox>("cmbTaskSelection")->currentText(), "Roof");
    EXPECT_EQ(Find<QLineEdit>("txtTaskSetupFile")->text(), "/cam/roof.tls");
    EXPECT_TRUE(Find<QCheckBox>("chkShowPreview")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("chkTaskOverrideInputPath")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("txtTaskInputPath")->text(), "/cam/in");
    EXPECT_EQ(Find<QComboBox>("cmbInterval")->currentText(), "15 Minutes");
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "sunrise+30 min to 18:00:00");
    EXPECT_EQ(SelectedMinutes(), (std::set<int>{480}));

    auto* list = ShowMinuteList();
    list->verticalScrollBar()->setValue(700);
    ASSERT_EQ(list->verticalScrollBar()->value(), 700);
    const std::string fileBefore = TaskFileText();
    Choose("cmbTaskSelection", 1);

    EXPECT_EQ(state.SelectedTask(), 1);
    EXPECT_EQ(Find<QLineEdit>("txtTaskSetupFile")->text(), "/cam/garden.tls");
    EXPECT_FALSE(Find<QCheckBox>("chkShowPreview")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("chkTaskOverrideInputPath")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("txtTaskInputPath")->text(), "");
    EXPECT_EQ(Find<QLineEdit>("txtTaskInputFilter")->text(), "*.jpg");
    // An interval none of the choices offers shows none.
    EXPECT_EQ(Find<QComboBox>("cmbInterval")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("cmbInterval")->count(), 8);
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "24-hours");
    EXPECT_EQ(SelectedMinutes(), (std::set<int>{600, 601}));
    EXPECT_EQ(list->verticalScrollBar()->value(), 700);

    // Nothing of the filling reached either task or the file.
    const Task& roof = *state.Tasks().At(0);
    EXPECT_EQ(roof.SetupFile(), "/cam/roof.tls");
    EXPECT_TRUE(roof.Visible());
    EXPECT_EQ(roof.InputPath(), "/cam/in");
    EXPECT_EQ(roof.Interval(), 15);
    EXPECT_EQ(MinutesOn(roof), 1);
    EXPECT_EQ(state.Tasks().At(1)->Interval(), 3);
    EXPECT_FALSE(roof.NeedsSaving());
    EXPECT_FALSE(state.Tasks().At(1)->NeedsSaving());
    EXPECT_EQ(TaskFileText(), fileBefore);

    Choose("cmbTaskSelection", 0);
    EXPECT_EQ(Find<QLineEdit>("txtTaskSetupFile")->text(), "/cam/roof.tls");
    EXPECT_EQ(TaskFileText(), fileBefore);
}

TEST_F(MainWindowTest, EveryEditReachesTheTaskFileAtOnce) {
    WriteTaskFile({kRoof, kGarden});
    Open();
    Choose("cmbTaskSelection", 1);
    Find<QLineEdit>("txtTaskSetupFile")->setText("  /cam/garden 2.tls ");
    Find<QCheckBox>("chkShowPreview")->setChecked(true);
    Find<QCheckBox>("chkTaskOverrideOutputAVIPath")->setChecked(true);
    Find<QLineEdit>("txtTaskOutputPath")->setText("/var/www/garden.avi");
    Find<QLineEdit>("txtTaskPostGenerationShell")->setText("sh -c \"echo <outfile>\"");
    Choose("cmbInterval", 6);
    // A click on 12:05 AM turns it on, a second click turns it off again.
    auto* list = Find<QListWidget>("lstSelectTimes");
    list->selectionModel()->select(list->model()->index(5, 0), QItemSelectionModel::Toggle);
    list->selectionModel()->select(list->model()->index(600, 0), QItemSelectionModel::Toggle);

    const std::shared_ptr<Task> saved = TaskInFile(TaskFilePath(), 1);
    EXPECT_EQ(saved->SetupFile(), "/cam/garden 2.tls");
    EXPECT_TRUE(saved->Visible());
    EXPECT_TRUE(saved->OverrideOutputAVIPath());
    EXPECT_EQ(saved->OutputAVIPath(), "/var/www/garden.avi");
    EXPECT_EQ(saved->PostGenerationShell(), "sh -c \"echo <outfile>\"");
    EXPECT_EQ(saved->Interval(), 30);
    EXPECT_TRUE(saved->SetupTimesIndex(5));
    EXPECT_FALSE(saved->SetupTimesIndex(600));
    EXPECT_TRUE(saved->SetupTimesIndex(601));
    // The first task was not touched.
    EXPECT_EQ(TaskInFile(TaskFilePath(), 0)->SetupFile(), "/cam/roof.tls");
}

TEST_F(MainWindowTest, IntervalTimesAreAddedFromMidnightAndAllTimesCleared) {
    WriteTaskFile({{"Roof", {7}, {}}});
    Open();
    Choose("cmbInterval", 4);  // "15 Minutes"
    EXPECT_EQ(state.Tasks().At(0)->Interval(), 15);
    auto* list = ShowMinuteList();
    list->verticalScrollBar()->setValue(300);
    ASSERT_EQ(list->verticalScrollBar()->value(), 300);
    Find<QAbstractButton>("cmdAddIntervalTimes")->click();

    std::set<int> expected = {7};
    for (int minute = 0; minute < 1440; minute += 15) {
        expected.insert(minute);
    }
    EXPECT_EQ(expected.size(), 97u);  // 96 quarter hours from 12:00 AM to 11:45 PM, and 12:07 AM
    EXPECT_EQ(SelectedMinutes(), expected);
    EXPECT_EQ(list->verticalScrollBar()->value(), 300);
    EXPECT_EQ(MinutesOn(*state.Tasks().At(0)), 97);
    EXPECT_EQ(MinutesOn(*TaskInFile(TaskFilePath(), 0)), 97);

    // "Hour" after "30 Minutes" adds nothing to the half hours.
    Find<QAbstractButton>("cmdClearAllTimes")->click();
    Choose("cmbInterval", 6);
    Find<QAbstractButton>("cmdAddIntervalTimes")->click();
    Choose("cmbInterval", 7);
    Find<QAbstractButton>("cmdAddIntervalTimes")->click();
    EXPECT_EQ(SelectedMinutes().size(), 48u);

    Find<QAbstractButton>("cmdClearAllTimes")->click();
    EXPECT_TRUE(SelectedMinutes().empty());
    EXPECT_EQ(state.Tasks().At(0)->SetupTimes(), std::string(1440, '0'));
    EXPECT_EQ(MinutesOn(*TaskInFile(TaskFilePath(), 0)), 0);
}

TEST_F(MainWindowTest, AddingIntervalTimesWithoutAChosenStepChangesNothing) {
    WriteTaskFile({kGarden});
    Open();
    ASSERT_EQ(Find<QComboBox>("cmbInterval")->currentIndex(), -1);
    Find<QAbstractButton>("cmdAddIntervalTimes")->click();
    EXPECT_EQ(SelectedMinutes(), (std::set<int>{600, 601}));
    EXPECT_EQ(MinutesOn(*state.Tasks().At(0)), 2);
}

TEST_F(MainWindowTest, AddAndRenameAskWithTheWindowDisabled) {
    WriteTaskFile({kRoof});
    FrmMain& shown = Open();
    std::vector<bool> enabledWhileAsking;
    prompter.whileAsking = [&] { enabledWhileAsking.push_back(shown.isEnabled()); };

    prompter.typed = {"Night"};
    Find<QAbstractButton>("cmdNewTask")->click();
    ASSERT_EQ(prompter.inputs.size(), 1u);
    EXPECT_EQ(prompter.inputs[0].title, "Enter Task Name");
    EXPECT_EQ(prompter.inputs[0].text, "Provide a short description for this task:");
    EXPECT_EQ(prompter.inputs[0].initialText, "Task #2");
    EXPECT_TRUE(shown.isEnabled());
    EXPECT_EQ(state.SelectedTask(), 1);
    EXPECT_EQ(Find<QComboBox>("cmbTaskSelection")->currentText(), "Night");
    EXPECT_EQ(Find<QComboBox>("cmbTaskSelection")->count(), 2);
    EXPECT_EQ(Find<QLineEdit>("txtTaskInputFilter")->text(), "*.jpg");

    prompter.typed = {"Night sky"};
    Find<QAbstractButton>("cmdRenameTask")->click();
    EXPECT_EQ(prompter.inputs.back().initialText, "Night");
    EXPECT_EQ(Find<QComboBox>("cmbTaskSelection")->currentText(), "Night sky");
    EXPECT_EQ(TaskInFile(TaskFilePath(), 1)->Name(), "Night sky");

    // Copying asks with the window as it is.
    prompter.typed = {"Copy"};
    Choose("cmbTaskSelection", 0);
    Find<QAbstractButton>("cmdCopyTask")->click();
    EXPECT_EQ(prompter.inputs.back().initialText, "Copy of Roof");
    EXPECT_EQ(Find<QLineEdit>("txtTaskSetupFile")->text(), "/cam/roof.tls");
    EXPECT_EQ(enabledWhileAsking, (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(shown.isEnabled());
}

TEST_F(MainWindowTest, DeletingTheOnlyTaskDisablesTheTaskControlsUntilATaskIsAdded) {
    WriteTaskFile({kRoof});
    Open();
    ASSERT_FALSE(GridRows().empty());
    prompter.answers = {MessageAnswer::kYes};
    Find<QAbstractButton>("cmdDeleteTask")->click();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Are you sure you want to delete the task\nRoof?");
    EXPECT_EQ(state.Tasks().TaskCount(), 0);
    EXPECT_EQ(state.SelectedTask(), -1);
    for (const char* name : kTaskControls) {
        EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
    }
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "No Task Selected");
    EXPECT_EQ(Find<QLineEdit>("txtTaskSetupFile")->text(), "");
    EXPECT_TRUE(SelectedMinutes().empty());
    // The runs to come of the deleted task leave the grid at once.
    EXPECT_TRUE(GridRows().empty());

    // The next task takes position 0 again and is shown.
    prompter.typed = {"Night"};
    Find<QAbstractButton>("cmdNewTask")->click();
    EXPECT_TRUE(Find<QWidget>("txtTaskSetupFile")->isEnabled());
    EXPECT_EQ(Find<QComboBox>("cmbTaskSelection")->currentText(), "Night");
    EXPECT_EQ(Find<QLabel>("lblSchedule")->text(), "24-hours");
}

TEST_F(MainWindowTest, TheGridShowsCompletedRunningQueuedAndToDoRunsUpToAHundred) {
    WriteTaskFile({{"Alpha", {480, 481}, {"SetupFile=/cam/a.tls"}},
                   {"Beta", {481}, {"SetupFile=/cam/b.tls"}}});
    clock.Set(MakeDateTime(2026, 3, 1, 7, 59, 50));
    FrmMain& shown = Open();
    const std::vector<std::string> header = {"Task Name", "Scheduled", "Started", "Completed",
                                             "Status"};
    const auto* grid = Find<QTableWidget>("FGTasks");
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(grid->horizontalHeaderItem(column)->text().toStdString(),
                  header[static_cast<std::size_t>(column)]);
    }
    clock.Set(MakeDateTime(2026, 3, 1, 8, 0, 0));
    shown.TmrTasksTimer();
    launcher.End(1, RunState::kFinished);
    clock.Set(MakeDateTime(2026, 3, 1, 8, 0, 1));
    shown.TmrTasksTimer();
    Choose("cmbTaskSelection", 1);
    Find<QAbstractButton>("cmdRunTask")->click();
    // The queue is filled at the first tick of 08:01 and started in the same tick: look at it
    // in between.
    clock.Set(MakeDateTime(2026, 3, 1, 8, 1, 0));
    state.GetEngine().CheckForTaskStarts(clock.Now());
    shown.UpdateTaskGrid();

    const auto rows = GridRows();
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"Alpha", "03/01/2026 08:00:00 AM", "03/01/2026 08:00:00 AM",
                                        "03/01/2026 08:00:01 AM", "Finished"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Beta", "N/A", "03/01/2026 08:00:01 AM", "N/A",
                                                 "Running"}));
    EXPECT_EQ(rows[2][0], "Alpha");
    EXPECT_EQ(rows[2][1], "03/01/2026 08:01:00 AM");
    EXPECT_EQ(rows[2][4], "Waiting");
    EXPECT_EQ(rows[3][0], "Beta");
    EXPECT_EQ(rows[3][4], "Waiting");
    for (std::size_t row = 4; row < rows.size(); ++row) {
        EXPECT_EQ(rows[row][4], "Idle") << row;
        EXPECT_EQ(rows[row][2], "N/A") << row;
    }
}

TEST_F(MainWindowTest, ADueMinuteMovesItsRunFromToDoThroughRunningToFinished) {
    WriteTaskFile({kRoof});
    FrmMain& shown = Open();
    const std::vector<std::string> idle = {"Roof", "03/01/2026 08:00:00 AM", "N/A", "N/A", "Idle"};
    ASSERT_FALSE(GridRows().empty());
    EXPECT_EQ(GridRows()[0], idle);
    EXPECT_EQ(GridRows()[1][1], "03/02/2026 08:00:00 AM");

    clock.Set(MakeDateTime(2026, 3, 1, 7, 59, 59));
    shown.TmrTasksTimer();
    EXPECT_EQ(GridRows()[0], idle);
    EXPECT_TRUE(launcher.starts.empty());

    clock.Set(MakeDateTime(2026, 3, 1, 8, 0, 0.4));
    shown.TmrTasksTimer();
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].commandLine,
              std::string(kMovieMaker) + " /F=\"/cam/roof.tls\" /A /IP=\"/cam/in\"");
    std::vector<std::vector<std::string>> rows = GridRows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Roof", "03/01/2026 08:00:00 AM",
                                                 "03/01/2026 08:00:00 AM", "N/A", "Running"}));
    // The rebuilt to-do list starts at the current minute again; its entry is not started.
    EXPECT_EQ(rows[1], idle);

    launcher.End(launcher.starts[0].handle, RunState::kFinished);
    clock.Set(MakeDateTime(2026, 3, 1, 8, 0, 1.4));
    shown.TmrTasksTimer();
    rows = GridRows();
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"Roof", "03/01/2026 08:00:00 AM", "03/01/2026 08:00:00 AM",
                                        "03/01/2026 08:00:01 AM", "Finished"}));
    EXPECT_EQ(launcher.starts.size(), 1u);
}

TEST_F(MainWindowTest, BrowseButtonsPutTheChosenPathsIntoTheTask) {
    WriteTaskFile({kRoof});
    Open();
    prompter.chosen = {"/cam/new.tls", std::nullopt, "/out/roof", "/cam/stills"};
    Find<QAbstractButton>("cmdSetupFileBrowse")->click();
    Find<QAbstractButton>("cmdBrowseOutputAVIPath")->click();  // cancelled: nothing changes
    EXPECT_EQ(Find<QLineEdit>("txtTaskOutputPath")->text(), "");
    Find<QAbstractButton>("cmdBrowseOutputAVIPath")->click();
    Find<QAbstractButton>("cmdBrowseStillDirectory")->click();

    ASSERT_EQ(prompter.dialogs.size(), 4u);
    EXPECT_EQ(prompter.dialogs[0].title, "Chronoreel Setup File Selection");
    EXPECT_EQ(prompter.dialogs[0].filter, "Time-Lapse Setup Files (*.tls)|*.tls");
    EXPECT_EQ(prompter.dialogs[0].fileName, "/cam/roof.tls");
    EXPECT_EQ(prompter.dialogs[2].title, "Output AVI File Selection");
    EXPECT_EQ(prompter.dialogs[2].filter, "AVI (*.avi)|*.avi");
    EXPECT_EQ(prompter.dialogs[3].title, "Still Image Directory Selection");
    EXPECT_EQ(prompter.dialogs[3].style, FileDialogStyle::kFolder);
    EXPECT_EQ(prompter.dialogs[3].startFolder, "/cam/in");
    const std::shared_ptr<Task> saved = TaskInFile(TaskFilePath(), 0);
    EXPECT_EQ(saved->SetupFile(), "/cam/new.tls");
    EXPECT_EQ(saved->OutputAVIPath(), "/out/roof.avi");
    EXPECT_EQ(saved->InputPath(), "/cam/stills");
}

TEST_F(MainWindowTest, OpenTaskStartsTheMovieMakersWindowOnTheSetupFile) {
    WriteTaskFile({kRoof});
    Open();
    Find<QAbstractButton>("cmdOpenTask")->click();
    ASSERT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(launcher.opened[0].rfind(std::string(kMovieMaker) + " /F=\"/cam/roof.tls\"", 0), 0u);
    // Nothing runs: no run is listed.
    EXPECT_TRUE(launcher.starts.empty());
    EXPECT_EQ(GridRows()[0][4], "Idle");
}

}  // namespace
}  // namespace chronoreel::ui::scheduler
