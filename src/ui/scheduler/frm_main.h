#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "scheduler/engine.h"
#include "scheduler/task_commands.h"

class QCheckBox;
class QComboBox;
class QItemSelection;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace chronoreel {
class Clock;
class Prompter;
class SchedulerState;
class Task;
}  // namespace chronoreel

namespace chronoreel::ui {
class FrmAbout;
}

namespace chronoreel::ui::scheduler {

class FrmScheduler;
class FrmSettings;
class MinuteList;
class TaskGridView;
class TrayIcon;

// What the scheduler's window works with.
struct SchedulerWindowContext {
    SchedulerState& state;  // loaded (Main) before the window is made
    Prompter& prompter;
    const Clock& clock;
    // Whether the desktop has a notification area; empty: Qt is asked.
    std::function<bool()> trayAvailable;
};

// frmMain, "Chronoreel Scheduler": the task selection and the task commands, the task's
// settings, minutes and overrides on three tabs, the grid of runs and the one-second timer
// tmrTasks that drives the engine. Every edit goes to the selected task at once and into the
// task file. With a notification area the window hides when minimised and its icon brings it
// back. Closing it ends the scheduler (Shutdown).
class FrmMain final : public QMainWindow, private EngineObserver {
    Q_OBJECT

  public:
    explicit FrmMain(SchedulerWindowContext context, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Form_Load: shows the window and its icon, draws the grid, fills the task controls, runs
    // the first tick and starts the timer.
    void Load();
    // Fills the task controls from the selected task when the selection moved or when forced;
    // nothing is written back meanwhile.
    void UpdateTasks(bool forceUpdate);
    // Redraws the grid from the engine's four run lists.
    void UpdateTaskGrid();
    // tmrTasks_Timer: one tick of the engine.
    void TmrTasksTimer();

    QTimer& TasksTimer() { return *tmrTasks_; }
    TrayIcon& Tray() { return *tray_; }
    // The windows it opens, while they exist.
    FrmScheduler* ScheduleEditor() const { return editor_.get(); }
    FrmSettings* Settings() const { return settings_.get(); }
    FrmAbout* About() const { return about_.get(); }

  signals:
    // The window closed after Shutdown: the program ends.
    void shutDown();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildMenus();
    QWidget* BuildTaskSelection();
    QWidget* BuildSettingsPage();
    QWidget* BuildSchedulePage();
    QWidget* BuildOverridesPage();
    QLineEdit* PathBox(const QString& name);
    // Connects a task text box: its trimmed text is stored through set and saved.
    void OnTextChanged(QLineEdit* box, std::function<void(Task&, const std::string&)> set);
    void OnChecked(QCheckBox* box, std::function<void(Task&, bool)> set);
    void EnableTaskControls(bool enabled);
    void ClearTaskControls();
    void FillTaskControls(const Task& task);

    // The selected task; nullptr when none is.
    std::shared_ptr<Task> SelectedTask() const;
    // Whether a task control's change is to be taken: events on and a task selected.
    bool TakesEdits() const;
    void SaveAll();
    // Runs a task command with the window disabled (when asked) and refreshes what it changed.
    enum class WhileAsking { kKeepEnabled, kDisableWindow };
    void RunCommand(std::string_view procedure, WhileAsking whileAsking,
                    const std::function<TaskRefresh()>& command);
    // Rebuilds the to-do list now when anything changed, and redraws the grid.
    void RefreshRuns();

    void OnMinutesChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnAddIntervalTimes();
    void OnClearAllTimes();
    void OnBrowseSetupFile();
    void OnFixedSchedule();
    void OnScheduleEditorClosed();
    void OnSettings();
    void OnAbout();
    void RestoreWindow();
    bool TrayAvailable() const;

    // EngineObserver
    void RunsChanged() override;

    SchedulerWindowContext context_;
    bool eventsEnabled_ = true;
    int shownTask_ = -1;  // the selection the controls were last filled for
    int commandsRunning_ = 0;
    bool closePending_ = false;
    bool shutDown_ = false;
    std::shared_ptr<Task> editedTask_;  // the task whose schedule the editor edits

    QTimer* tmrTasks_ = nullptr;
    std::unique_ptr<TrayIcon> tray_;
    // Windows of their own (a child window would be disabled with the main window).
    std::unique_ptr<FrmScheduler> editor_;
    std::unique_ptr<FrmSettings> settings_;
    std::unique_ptr<FrmAbout> about_;

    QComboBox* cmbTaskSelection_ = nullptr;
    QPushButton* cmdNewTask_ = nullptr;
    QPushButton* cmdDeleteTask_ = nullptr;
    QPushButton* cmdCopyTask_ = nullptr;
    QPushButton* cmdRenameTask_ = nullptr;
    QPushButton* cmdRunTask_ = nullptr;
    QPushButton* cmdOpenTask_ = nullptr;
    QTabWidget* tabTask_ = nullptr;
    QLineEdit* txtTaskSetupFile_ = nullptr;
    QPushButton* cmdSetupFileBrowse_ = nullptr;
    QCheckBox* chkShowPreview_ = nullptr;
    QLabel* lblSchedule_ = nullptr;
    QToolButton* cmdFixedSchedule_ = nullptr;
    MinuteList* lstSelectTimes_ = nullptr;
    QComboBox* cmbInterval_ = nullptr;
    QPushButton* cmdAddIntervalTimes_ = nullptr;
    QPushButton* cmdClearAllTimes_ = nullptr;
    QCheckBox* chkTaskOverrideInputPath_ = nullptr;
    QLineEdit* txtTaskInputPath_ = nullptr;
    QPushButton* cmdBrowseStillDirectory_ = nullptr;
    QCheckBox* chkTaskOverrideFileFilter_ = nullptr;
    QLineEdit* txtTaskInputFilter_ = nullptr;
    QCheckBox* chkTaskOverrideOutputAVIPath_ = nullptr;
    QLineEdit* txtTaskOutputPath_ = nullptr;
    QPushButton* cmdBrowseOutputAVIPath_ = nullptr;
    QCheckBox* chkTaskOverridePostGenerationShell_ = nullptr;
    QLineEdit* txtTaskPostGenerationShell_ = nullptr;
    TaskGridView* FGTasks_ = nullptr;
};

}  // namespace chronoreel::ui::scheduler
