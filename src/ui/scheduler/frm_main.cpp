#include "ui/scheduler/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>
#include <string>
#include <utility>

#include "base/clock.h"
#include "base/error_report.h"
#include "base/prompter.h"
#include "base/text.h"
#include "scheduler/interval_times.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/task.h"
#include "scheduler/task_grid.h"
#include "ui/common/browse_dialogs.h"
#include "ui/common/frm_about.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_placement.h"
#include "ui/scheduler/frm_scheduler.h"
#include "ui/scheduler/frm_settings.h"
#include "ui/scheduler/minute_list.h"
#include "ui/scheduler/schedule_icon.h"
#include "ui/scheduler/task_grid_view.h"
#include "ui/scheduler/tray_icon.h"

namespace chronoreel::ui::scheduler {
namespace {

constexpr std::string_view kModule = "frmMain";
constexpr std::string_view kProgramTitle = "Chronoreel Scheduler";
constexpr std::string_view kNoTaskSelected = "No Task Selected";
constexpr int kTickMilliseconds = 1000;
// The boxes are as wide as their longest usual content.
const QString kPathSample = QStringLiteral("/home/me/camera/images/");
const QString kFilterSample = QStringLiteral("*.jpg");

template <class Body>
void Handle(std::string_view procedure, Body&& body) {
    Trap(kModule, procedure, std::forward<Body>(body));
}

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

std::string Trimmed(const QString& text) {
    return std::string(TrimBlanks(ToStdString(text)));
}

}  // namespace

FrmMain::FrmMain(SchedulerWindowContext context, QWidget* parent)
    : QMainWindow(parent), context_(std::move(context)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ToQString(kProgramTitle));
    BuildMenus();

    tabTask_ = Named(new QTabWidget(this), "tabTask");
    tabTask_->addTab(BuildSettingsPage(), QStringLiteral("Settings"));
    tabTask_->addTab(BuildSchedulePage(), QStringLiteral("Schedule"));
    tabTask_->addTab(BuildOverridesPage(), QStringLiteral("Overrides"));

    auto* task = new QVBoxLayout;
    task->addWidget(BuildTaskSelection());
    task->addWidget(tabTask_, 1);

    cmdNewTask_ = Named(new QPushButton(QStringLiteral("Create New Task"), this), "cmdNewTask");
    cmdCopyTask_ =
        Named(new QPushButton(QStringLiteral("Copy Selected Task"), this), "cmdCopyTask");
    cmdRenameTask_ = Named(new QPushButton(QStringLiteral("Rename Task"), this), "cmdRenameTask");
    cmdDeleteTask_ =
        Named(new QPushButton(QStringLiteral("Delete Selected Task"), this), "cmdDeleteTask");
    cmdRunTask_ = Named(new QPushButton(QStringLiteral("Run Task Now"), this), "cmdRunTask");
    cmdOpenTask_ =
        Named(new QPushButton(QStringLiteral("Open Task in Chronoreel"), this), "cmdOpenTask");
    auto* commands = new QVBoxLayout;
    // The buttons line up with the tabs' pages, below the task selection.
    commands->addSpacing(cmbTaskSelection_->sizeHint().height());
    for (QPushButton* button : {cmdNewTask_, cmdCopyTask_, cmdRenameTask_, cmdDeleteTask_}) {
        commands->addWidget(button);
    }
    commands->addSpacing(fontMetrics().height());
    commands->addWidget(cmdRunTask_);
    commands->addWidget(cmdOpenTask_);
    commands->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addLayout(task, 1);
    top->addLayout(commands);

    FGTasks_ = new TaskGridView(this);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addWidget(FGTasks_, 1);
    setCentralWidget(central);

    tmrTasks_ = Named(new QTimer(this), "tmrTasks");
    tmrTasks_->setInterval(kTickMilliseconds);
    connect(tmrTasks_, &QTimer::timeout, this, [this] { TmrTasksTimer(); });

    tray_ = std::make_unique<TrayIcon>();
    connect(tray_.get(), &TrayIcon::restoreRequested, this, [this] { RestoreWindow(); });
    connect(tray_.get(), &TrayIcon::exitRequested, this, [this] { close(); });

    // Task selection and commands.
    connect(cmbTaskSelection_, &QComboBox::activated, this, [this](int index) {
        Handle("cmbTaskSelection_Click", [&] {
            if (!eventsEnabled_ || index < 0) {
                return;
            }
            context_.state.SetSelectedTask(index);
            UpdateTasks(false);
        });
    });
    SchedulerState& state = context_.state;
    Prompter& prompter = context_.prompter;
    connect(cmdNewTask_, &QPushButton::clicked, this, [this, &state, &prompter] {
        RunCommand("cmdNewTask_Click", WhileAsking::kDisableWindow,
                   [&] { return AddTask(state, prompter); });
    });
    connect(cmdCopyTask_, &QPushButton::clicked, this, [this, &state, &prompter] {
        RunCommand("cmdCopyTask_Click", WhileAsking::kKeepEnabled,
                   [&] { return CopyTask(state, prompter, state.SelectedTask()); });
    });
    connect(cmdRenameTask_, &QPushButton::clicked, this, [this, &state, &prompter] {
        if (state.SelectedTask() < 0) {
            return;
        }
        RunCommand("cmdRenameTask_Click", WhileAsking::kDisableWindow,
                   [&] { return RenameTask(state, prompter, state.SelectedTask()); });
    });
    connect(cmdDeleteTask_, &QPushButton::clicked, this, [this, &state, &prompter] {
        RunCommand("cmdDeleteTask_Click", WhileAsking::kKeepEnabled,
                   [&] { return DeleteTask(state, prompter, state.SelectedTask()); });
    });
    connect(cmdRunTask_, &QPushButton::clicked, this, [this] {
        Handle("cmdRunTask_Click", [&] {
            if (const std::shared_ptr<Task> task = SelectedTask()) {
                context_.state.GetEngine().RandomStart(task);
                RefreshRuns();
            }
        });
    });
    connect(cmdOpenTask_, &QPushButton::clicked, this, [this] {
        Handle("cmdOpenTask_Click", [&] {
            if (const std::shared_ptr<Task> task = SelectedTask()) {
                context_.state.GetLauncher().OpenSetup(*task,
                                                       context_.state.Tasks().ChronoreelPath());
            }
        });
    });
}

FrmMain::~FrmMain() {
    context_.state.GetEngine().SetObserver(nullptr);
}

// --- building ---

void FrmMain::BuildMenus() {
    const auto item = [this](const QString& text, const char* name, std::string_view procedure,
                             std::function<void()> action) {
        QAction* added = menuBar()->addAction(text);
        added->setObjectName(QLatin1String(name));
        connect(added, &QAction::triggered, this,
                [procedure, action = std::move(action)] { Handle(procedure, action); });
        return added;
    };
    item(QStringLiteral("E&xit"), "mnuQuit", "mnuQuit_Click", [this] { close(); });
    item(QStringLiteral("&Settings"), "mnuSettings", "mnuSettings_Click", [this] { OnSettings(); });
    item(QStringLiteral("&About"), "mnuAbout", "mnuAbout_Click", [this] { OnAbout(); });
}

QWidget* FrmMain::BuildTaskSelection() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    cmbTaskSelection_ = Named(new QComboBox(row), "cmbTaskSelection");
    cmbTaskSelection_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbTaskSelection_->setMinimumContentsLength(24);
    cmbTaskSelection_->setMaxVisibleItems(20);
    auto* label = Named(new QLabel(QStringLiteral("&Task:"), row), "lblTaskSelection");
    label->setBuddy(cmbTaskSelection_);
    layout->addWidget(label);
    layout->addWidget(cmbTaskSelection_, 1);
    return row;
}

QLineEdit* FrmMain::PathBox(const QString& name) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(kPathSample));
    return box;
}

QWidget* FrmMain::BuildSettingsPage() {
    auto* page = new QWidget(this);
    auto* frame = Named(new QGroupBox(QStringLiteral("Task Settings"), page), "fraTaskSettings");
    auto* grid = new QGridLayout(frame);
    auto* label =
        Named(new QLabel(QStringLiteral("Setup File (*.tls):"), frame), "lblTaskSetupFile");
    txtTaskSetupFile_ = PathBox(QStringLiteral("txtTaskSetupFile"));
    label->setBuddy(txtTaskSetupFile_);
    cmdSetupFileBrowse_ =
        Named(new QPushButton(QStringLiteral("Browse"), frame), "cmdSetupFileBrowse");
    chkShowPreview_ =
        Named(new QCheckBox(QStringLiteral("Show Preview Window During Movie Generation"), frame),
              "chkShowPreview");
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(txtTaskSetupFile_, 1, 0);
    grid->addWidget(cmdSetupFileBrowse_, 1, 1);
    grid->addWidget(chkShowPreview_, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);

    OnTextChanged(txtTaskSetupFile_,
                  [](Task& task, const std::string& text) { task.SetSetupFile(text); });
    OnChecked(chkShowPreview_, [](Task& task, bool on) { task.SetVisible(on); });
    connect(cmdSetupFileBrowse_, &QPushButton::clicked, this,
            [this] { Handle("cmdSetupFileBrowse_Click", [&] { OnBrowseSetupFile(); }); });
    return page;
}

QWidget* FrmMain::BuildSchedulePage() {
    auto* page = new QWidget(this);
    auto* frame = Named(new QGroupBox(QStringLiteral("Task Schedule"), page), "fraTaskSchedule");

    cmbInterval_ = Named(new QComboBox(frame), "cmbInterval");
    for (const IntervalChoice& choice : kIntervalChoices) {
        // Sized for the longest name; the list is refilled for each task.
        cmbInterval_->addItem(QString::fromLatin1(choice.text));
    }
    cmbInterval_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* lblEvery = Named(new QLabel(QStringLiteral("Every"), frame), "lblEvery");
    lblEvery->setBuddy(cmbInterval_);
    cmdAddIntervalTimes_ = Named(new QPushButton(QStringLiteral("Add Interval Times -->"), frame),
                                 "cmdAddIntervalTimes");
    cmdClearAllTimes_ =
        Named(new QPushButton(QStringLiteral("Clear All Times -->"), frame), "cmdClearAllTimes");
    auto* every = new QHBoxLayout;
    every->addWidget(lblEvery);
    every->addWidget(cmbInterval_, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(every);
    left->addWidget(cmdAddIntervalTimes_);
    left->addWidget(cmdClearAllTimes_);
    left->addStretch(1);

    lstSelectTimes_ = new MinuteList(frame);
    auto* times = new QHBoxLayout;
    times->addLayout(left);
    times->addWidget(lstSelectTimes_, 1);

    cmdFixedSchedule_ = Named(new QToolButton(frame), "cmdFixedSchedule");
    cmdFixedSchedule_->setIcon(ScheduleIcon());
    const int iconSide = fontMetrics().height() + fontMetrics().height() / 3;
    cmdFixedSchedule_->setIconSize(QSize(iconSide, iconSide));
    cmdFixedSchedule_->setToolTip(QStringLiteral("Schedule Setup"));
    cmdFixedSchedule_->setAccessibleName(QStringLiteral("Schedule Setup"));
    lblSchedule_ = Named(new QLabel(ToQString(kNoTaskSelected), frame), "lblSchedule");
    lblSchedule_->setTextFormat(Qt::PlainText);
    auto* window = new QHBoxLayout;
    window->addWidget(cmdFixedSchedule_);
    window->addWidget(lblSchedule_, 1);

    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(times, 1);
    layout->addLayout(window);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(frame);

    connect(cmbInterval_, &QComboBox::activated, this, [this](int index) {
        Handle("cmbInterval_Click", [&] {
            if (!TakesEdits() || index < 0 || index >= static_cast<int>(kIntervalChoices.size())) {
                return;
            }
            SelectedTask()->SetInterval(kIntervalChoices[static_cast<std::size_t>(index)].minutes);
            SaveAll();
        });
    });
    connect(lstSelectTimes_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                Handle("lstSelectTimes_Click", [&] { OnMinutesChanged(selected, deselected); });
            });
    connect(cmdAddIntervalTimes_, &QPushButton::clicked, this,
            [this] { Handle("cmdAddIntervalTimes_Click", [&] { OnAddIntervalTimes(); }); });
    connect(cmdClearAllTimes_, &QPushButton::clicked, this,
            [this] { Handle("cmdClearAllTimes_Click", [&] { OnClearAllTimes(); }); });
    connect(cmdFixedSchedule_, &QToolButton::clicked, this,
            [this] { Handle("cmdFixedSchedule_Click", [&] { OnFixedSchedule(); }); });
    return page;
}

QWidget* FrmMain::BuildOverridesPage() {
    auto* page = new QWidget(this);
    auto* frame = Named(new QGroupBox(QStringLiteral("Task Overrides"), page), "fraTaskOverrides");
    chkTaskOverrideInputPath_ =
        Named(new QCheckBox(QStringLiteral("Override Still Image Directory"), frame),
              "chkTaskOverrideInputPath");
    txtTaskInputPath_ = PathBox(QStringLiteral("txtTaskInputPath"));
    cmdBrowseStillDirectory_ =
        Named(new QPushButton(QStringLiteral("Browse"), frame), "cmdBrowseStillDirectory");
    chkTaskOverrideFileFilter_ =
        Named(new QCheckBox(QStringLiteral("Override File Filter (*.jpg):"), frame),
              "chkTaskOverrideFileFilter");
    txtTaskInputFilter_ = Named(new QLineEdit(frame), "txtTaskInputFilter");
    txtTaskInputFilter_->setMinimumWidth(
        txtTaskInputFilter_->fontMetrics().horizontalAdvance(kFilterSample) * 3);
    chkTaskOverrideOutputAVIPath_ =
        Named(new QCheckBox(QStringLiteral("Override Output AVI Path:"), frame),
              "chkTaskOverrideOutputAVIPath");
    txtTaskOutputPath_ = PathBox(QStringLiteral("txtTaskOutputPath"));
    cmdBrowseOutputAVIPath_ =
        Named(new QPushButton(QStringLiteral("Browse"), frame), "cmdBrowseOutputAVIPath");
    chkTaskOverridePostGenerationShell_ =
        Named(new QCheckBox(QStringLiteral("Override Post Generation Shell:"), frame),
              "chkTaskOverridePostGenerationShell");
    txtTaskPostGenerationShell_ = PathBox(QStringLiteral("txtTaskPostGenerationShell"));

    auto* grid = new QGridLayout(frame);
    grid->addWidget(chkTaskOverrideInputPath_, 0, 0);
    grid->addWidget(txtTaskInputPath_, 0, 1);
    grid->addWidget(cmdBrowseStillDirectory_, 0, 2);
    grid->addWidget(chkTaskOverrideFileFilter_, 1, 0);
    auto* filter = new QHBoxLayout;
    filter->addWidget(txtTaskInputFilter_);
    filter->addStretch(1);
    grid->addLayout(filter, 1, 1, 1, 2);
    grid->addWidget(chkTaskOverrideOutputAVIPath_, 2, 0);
    grid->addWidget(txtTaskOutputPath_, 2, 1);
    grid->addWidget(cmdBrowseOutputAVIPath_, 2, 2);
    grid->addWidget(chkTaskOverridePostGenerationShell_, 3, 0);
    grid->addWidget(txtTaskPostGenerationShell_, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);

    OnChecked(chkTaskOverrideInputPath_,
              [](Task& task, bool on) { task.SetOverrideInputPath(on); });
    OnChecked(chkTaskOverrideFileFilter_,
              [](Task& task, bool on) { task.SetOverrideFileFilter(on); });
    OnChecked(chkTaskOverrideOutputAVIPath_,
              [](Task& task, bool on) { task.SetOverrideOutputAVIPath(on); });
    OnChecked(chkTaskOverridePostGenerationShell_,
              [](Task& task, bool on) { task.SetOverridePostGenerationShell(on); });
    OnTextChanged(txtTaskInputPath_,
                  [](Task& task, const std::string& text) { task.SetInputPath(text); });
    OnTextChanged(txtTaskInputFilter_,
                  [](Task& task, const std::string& text) { task.SetFileFilter(text); });
    OnTextChanged(txtTaskOutputPath_,
                  [](Task& task, const std::string& text) { task.SetOutputAVIPath(text); });
    OnTextChanged(txtTaskPostGenerationShell_,
                  [](Task& task, const std::string& text) { task.SetPostGenerationShell(text); });
    connect(cmdBrowseStillDirectory_, &QPushButton::clicked, this, [this] {
        Handle("cmdBrowseStillDirectory_Click", [&] {
            if (const auto folder = BrowseStillDirectory(context_.prompter,
                                                         ToStdString(txtTaskInputPath_->text()))) {
                txtTaskInputPath_->setText(ToQString(*folder));
            }
        });
    });
    connect(cmdBrowseOutputAVIPath_, &QPushButton::clicked, this, [this] {
        Handle("cmdBrowseOutputAVIPath_Click", [&] {
            if (const auto path = BrowseOutputAviPath(context_.prompter,
                                                      ToStdString(txtTaskOutputPath_->text()))) {
                txtTaskOutputPath_->setText(ToQString(*path));
            }
        });
    });
    return page;
}

void FrmMain::OnTextChanged(QLineEdit* box, std::function<void(Task&, const std::string&)> set) {
    const std::string procedure = ToStdString(box->objectName()) + "_Change";
    connect(box, &QLineEdit::textChanged, this,
            [this, procedure, set = std::move(set)](const QString& text) {
                Handle(procedure, [&] {
                    if (TakesEdits()) {
                        set(*SelectedTask(), Trimmed(text));
                        SaveAll();
                    }
                });
            });
}

void FrmMain::OnChecked(QCheckBox* box, std::function<void(Task&, bool)> set) {
    const std::string procedure = ToStdString(box->objectName()) + "_Click";
    connect(box, &QCheckBox::toggled, this, [this, procedure, set = std::move(set)](bool checked) {
        Handle(procedure, [&] {
            if (TakesEdits()) {
                set(*SelectedTask(), checked);
                SaveAll();
            }
        });
    });
}

// --- start-up ---

void FrmMain::Load() {
    Handle("Form_Load", [&] {
        eventsEnabled_ = true;
        shownTask_ = -1;
        if (const QScreen* shown = screen()) {
            resize(sizeHint().boundedTo(shown->availableSize()));
        }
        show();
        if (TrayAvailable()) {
            tray_->show();
        }
        context_.state.GetEngine().SetObserver(this);
        UpdateTaskGrid();
        lstSelectTimes_->setEnabled(false);
        cmbInterval_->clear();
        cmbInterval_->setEnabled(false);
        lblSchedule_->setText(ToQString(kNoTaskSelected));
        cmdFixedSchedule_->setEnabled(false);
        tabTask_->setCurrentIndex(0);
        UpdateTasks(false);
        // The first tick at once: the grid shows the runs to come from the start.
        TmrTasksTimer();
        tmrTasks_->start();
    });
}

void FrmMain::TmrTasksTimer() {
    if (!shutDown_) {
        context_.state.GetEngine().Tick();
    }
}

// --- the task controls ---

std::shared_ptr<Task> FrmMain::SelectedTask() const {
    const int selected = context_.state.SelectedTask();
    const TaskFile& tasks = context_.state.Tasks();
    if (selected < 0 || selected >= tasks.TaskCount()) {
        return nullptr;
    }
    return tasks.At(selected);
}

bool FrmMain::TakesEdits() const {
    return eventsEnabled_ && !shutDown_ && SelectedTask() != nullptr;
}

void FrmMain::SaveAll() {
    context_.state.Tasks().SaveAll();
}

void FrmMain::EnableTaskControls(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{cmbTaskSelection_,
                                                            cmdDeleteTask_,
                                                            cmdCopyTask_,
                                                            cmdRenameTask_,
                                                            cmdRunTask_,
                                                            cmdOpenTask_,
                                                            txtTaskSetupFile_,
                                                            cmdSetupFileBrowse_,
                                                            chkShowPreview_,
                                                            cmdFixedSchedule_,
                                                            lstSelectTimes_,
                                                            cmbInterval_,
                                                            cmdAddIntervalTimes_,
                                                            cmdClearAllTimes_,
                                                            chkTaskOverrideInputPath_,
                                                            txtTaskInputPath_,
                                                            cmdBrowseStillDirectory_,
                                                            chkTaskOverrideFileFilter_,
                                                            txtTaskInputFilter_,
                                                            chkTaskOverrideOutputAVIPath_,
                                                            txtTaskOutputPath_,
                                                            cmdBrowseOutputAVIPath_,
                                                            chkTaskOverridePostGenerationShell_,
                                                            txtTaskPostGenerationShell_}) {
        control->setEnabled(enabled);
    }
}

void FrmMain::ClearTaskControls() {
    cmbTaskSelection_->clear();
    for (QCheckBox* box : {chkShowPreview_, chkTaskOverrideInputPath_, chkTaskOverrideFileFilter_,
                           chkTaskOverrideOutputAVIPath_, chkTaskOverridePostGenerationShell_}) {
        box->setChecked(false);
    }
    for (QLineEdit* box : {txtTaskSetupFile_, txtTaskInputPath_, txtTaskInputFilter_,
                           txtTaskOutputPath_, txtTaskPostGenerationShell_}) {
        box->clear();
    }
    cmbInterval_->clear();
    lstSelectTimes_->clearSelection();
}

void FrmMain::FillTaskControls(const Task& task) {
    lblSchedule_->setText(ToQString(task.GetSchedule().Description()));
    chkShowPreview_->setChecked(task.Visible());
    chkTaskOverrideInputPath_->setChecked(task.OverrideInputPath());
    chkTaskOverrideFileFilter_->setChecked(task.OverrideFileFilter());
    chkTaskOverrideOutputAVIPath_->setChecked(task.OverrideOutputAVIPath());
    chkTaskOverridePostGenerationShell_->setChecked(task.OverridePostGenerationShell());
    txtTaskInputFilter_->setText(ToQString(task.FileFilter()));
    txtTaskInputPath_->setText(ToQString(task.InputPath()));
    txtTaskOutputPath_->setText(ToQString(task.OutputAVIPath()));
    txtTaskPostGenerationShell_->setText(ToQString(task.PostGenerationShell()));
    txtTaskSetupFile_->setText(ToQString(task.SetupFile()));
    cmbInterval_->clear();
    for (const IntervalChoice& choice : kIntervalChoices) {
        cmbInterval_->addItem(QString::fromLatin1(choice.text));
    }
    cmbInterval_->setCurrentIndex(IntervalChoicePosition(task.Interval()));
    lstSelectTimes_->ShowMinutes(task);
}

void FrmMain::UpdateTasks(bool forceUpdate) {
    Handle("UpdateTasks", [&] {
        eventsEnabled_ = false;
        SchedulerState& state = context_.state;
        const std::shared_ptr<Task> task = SelectedTask();
        if (task == nullptr) {
            state.SetSelectedTask(-1);
            // A task added later is then shown, whatever position it gets.
            shownTask_ = -1;
            ClearTaskControls();
            lblSchedule_->setText(ToQString(kNoTaskSelected));
            EnableTaskControls(false);
            eventsEnabled_ = true;
            return;
        }
        if (forceUpdate || state.SelectedTask() != shownTask_) {
            QStringList names;
            names.reserve(state.Tasks().TaskCount());
            for (const auto& each : state.Tasks().Tasks()) {
                names << ToQString(each->Name());
            }
            cmbTaskSelection_->clear();
            cmbTaskSelection_->addItems(names);
            shownTask_ = state.SelectedTask();
            cmbTaskSelection_->setCurrentIndex(shownTask_);
            EnableTaskControls(true);
            FillTaskControls(*task);
        }
        eventsEnabled_ = true;
    });
}

void FrmMain::OnMinutesChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    if (!TakesEdits()) {
        return;
    }
    const std::shared_ptr<Task> task = SelectedTask();
    for (const MinuteList::Change& change : MinuteList::Changes(selected, deselected)) {
        task->SetSetupTimesIndex(change.minute, change.on);
    }
    // Saved at once like every other edit, so that no start time is lost when the program
    // does not end in order.
    SaveAll();
}

void FrmMain::OnAddIntervalTimes() {
    if (!TakesEdits()) {
        return;
    }
    const std::shared_ptr<Task> task = SelectedTask();
    const int chosen = cmbInterval_->currentIndex();
    // No step chosen (a task whose interval is none of the choices): nothing to add.
    const int step = chosen >= 0 && chosen < static_cast<int>(kIntervalChoices.size())
                         ? kIntervalChoices[static_cast<std::size_t>(chosen)].minutes
                         : 0;
    eventsEnabled_ = false;
    AddIntervalTimes(*task, step);
    lstSelectTimes_->ShowMinutes(*task);
    eventsEnabled_ = true;
    SaveAll();
}

void FrmMain::OnClearAllTimes() {
    if (!TakesEdits()) {
        return;
    }
    eventsEnabled_ = false;
    ClearAllTimes(*SelectedTask());
    lstSelectTimes_->clearSelection();
    eventsEnabled_ = true;
    SaveAll();
}

void FrmMain::OnBrowseSetupFile() {
    if (const auto chosen = BrowseFile(context_.prompter, "Chronoreel Setup File Selection",
                                       "Time-Lapse Setup Files (*.tls)|*.tls",
                                       ToStdString(txtTaskSetupFile_->text()))) {
        txtTaskSetupFile_->setText(ToQString(*chosen));
    }
}

// --- commands ---

void FrmMain::RunCommand(std::string_view procedure, WhileAsking whileAsking,
                         const std::function<TaskRefresh()>& command) {
    Handle(procedure, [&] {
        if (shutDown_) {
            return;
        }
        // The questions open windows of their own; the program must not end under them.
        ++commandsRunning_;
        if (whileAsking == WhileAsking::kDisableWindow) {
            setEnabled(false);
        }
        const TaskRefresh refresh = command();
        if (whileAsking == WhileAsking::kDisableWindow) {
            setEnabled(true);
        }
        --commandsRunning_;
        if (refresh != TaskRefresh::kNone) {
            UpdateTasks(refresh == TaskRefresh::kForced);
        }
        RefreshRuns();
        if (closePending_ && commandsRunning_ == 0) {
            closePending_ = false;
            QTimer::singleShot(0, this, [this] { close(); });
        }
    });
}

void FrmMain::RefreshRuns() {
    // The names and runs of the grid follow the command at once, not at the next tick.
    context_.state.ScheduleChanged().Raise();
    context_.state.GetEngine().RefreshTaskGrid(context_.clock.Now());
}

// --- the grid ---

void FrmMain::RunsChanged() {
    UpdateTaskGrid();
}

void FrmMain::UpdateTaskGrid() {
    Handle("UpdateTaskGrid", [&] { FGTasks_->ShowRows(TaskGridRows(context_.state.GetEngine())); });
}

// --- the other windows ---

void FrmMain::OnFixedSchedule() {
    const std::shared_ptr<Task> task = SelectedTask();
    if (task == nullptr || editor_ != nullptr) {
        return;
    }
    editedTask_ = task;
    editor_ = std::make_unique<FrmScheduler>();
    editor_->SetSchedule(&task->GetSchedule());
    editor_->Update();
    connect(editor_.get(), &FrmScheduler::closed, this, [this] {
        // After the editor's own close has run.
        QTimer::singleShot(0, this, [this] { OnScheduleEditorClosed(); });
    });
    setEnabled(false);
    ShowCentredOver(*editor_, *this);
}

void FrmMain::OnScheduleEditorClosed() {
    Handle("cmdFixedSchedule_Click", [&] {
        if (editor_ == nullptr) {
            return;
        }
        if (editedTask_ != nullptr) {
            lblSchedule_->setText(ToQString(editedTask_->GetSchedule().Description()));
        }
        editor_->SetSchedule(nullptr);
        editor_.reset();
        editedTask_.reset();
        setEnabled(true);
        if (!shutDown_) {
            // The window is saved with the task at once, like the task's other settings.
            SaveAll();
            context_.state.ScheduleChanged().Raise();
            raise();
            activateWindow();
        }
    });
}

void FrmMain::OnSettings() {
    // One settings window and one About box: chosen again while open, it comes to the front.
    if (settings_ && settings_->isVisible()) {
        settings_->raise();
        settings_->activateWindow();
        return;
    }
    settings_ = std::make_unique<FrmSettings>(context_.state.Tasks(), context_.prompter);
    ShowCentredOver(*settings_, *this);
}

void FrmMain::OnAbout() {
    if (about_ && about_->isVisible()) {
        about_->raise();
        about_->activateWindow();
        return;
    }
    about_ =
        std::make_unique<FrmAbout>(kProgramTitle, context_.prompter, AboutTitleLine::kBelowBanner);
    ShowCentredOver(*about_, *this);
}

// --- the notification area and the end ---

bool FrmMain::TrayAvailable() const {
    return context_.trayAvailable ? context_.trayAvailable()
                                  : QSystemTrayIcon::isSystemTrayAvailable();
}

void FrmMain::RestoreWindow() {
    showNormal();
    raise();
    activateWindow();
}

void FrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || shutDown_) {
        return;
    }
    // Without a notification area a hidden window could never come back.
    if (TrayAvailable()) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    }
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (shutDown_) {
        event->accept();
        return;
    }
    // A command waiting for an answer finishes first; the window closes after it.
    if (commandsRunning_ > 0) {
        closePending_ = true;
        event->ignore();
        return;
    }
    Handle("Form_QueryUnload", [&] {
        if (editor_ != nullptr) {
            editor_->close();
            OnScheduleEditorClosed();
        }
        shutDown_ = true;
        tmrTasks_->stop();
        context_.state.GetEngine().SetObserver(nullptr);
        tray_->hide();
        context_.state.Shutdown();
    });
    event->accept();
    if (settings_) {
        settings_->close();
    }
    if (about_) {
        about_->close();
    }
    emit shutDown();
}

}  // namespace chronoreel::ui::scheduler
