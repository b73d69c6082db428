#include "ui/movie_maker/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "base/date_time.h"
#include "base/error_report.h"
#include "base/numbers.h"
#include "movie/movie_gen.h"
#include "movie/run_texts.h"
#include "movie_setup/compression_choice.h"
#include "movie_setup/fps_choices.h"
#include "movie_setup/manual_path.h"
#include "movie_setup/mod_file.h"
#include "movie_setup/movie_maker_objects.h"
#include "movie_setup/setup_control_text.h"
#include "movie_setup/setup_file.h"
#include "movie_setup/shutdown.h"
#include "ui/common/browse_dialogs.h"
#include "ui/common/frm_about.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_placement.h"
#include "ui/common/wrapping_radio_button.h"
#include "ui/movie_maker/frm_compression.h"
#include "ui/movie_maker/frm_location.h"
#include "ui/movie_maker/movie_runner.h"

namespace chronoreel::ui {
namespace {

constexpr std::string_view kModule = "frmMain";

// The boxes are as wide as their longest usual content.
const QString kHoursSample = QStringLiteral("-168.25");
const QString kTimeSample = QStringLiteral("00:00:00 AM");
const QString kCountSample = QStringLiteral("100000");
const QString kDateTimeSample = QStringLiteral("12/31/2002 11:22:33 PM");
const QString kPixelsSample = QStringLiteral("1600");
const QString kFilterSample = QStringLiteral("*.jpg");
const QString kPathSample = QStringLiteral("/home/me/camera/images/");

const QString kTimeFormat = QStringLiteral("(HH:MM:SS AM/PM)");
const QString kDateTimeFormat = QStringLiteral("(MM/DD/YYYY HH:MM:SS AM/PM)");

template <class Body>
void Handle(std::string_view procedure, Body&& body) {
    Trap(kModule, procedure, std::forward<Body>(body));
}

QLabel* NamedLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty()) {
        label->setObjectName(name);
    }
    return label;
}

QLabel* Heading(const QString& text, const QString& name, QWidget* parent) {
    QLabel* label = NamedLabel(text, name, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// The densest parts of the window get tighter margins and spacing, so that the whole window
// still fits a small screen with a large font.
void Compact(QLayout* layout) {
    const QFontMetrics metrics(QApplication::font());
    const int margin = metrics.height() / 3;
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(metrics.height() / 4);
}

std::string DateTimeText(DateTime value, DateTimePattern pattern) {
    return FormatDateTime(value, pattern);
}

}  // namespace

FrmMain::FrmMain(MainWindowContext context, QWidget* parent)
    : QMainWindow(parent), context_(std::move(context)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ToQString(kApplicationTitle));
    runner_ = new MovieRunner(
        context_.objects.movieGen, context_.objects.state, context_.clock, context_.prompter,
        [this] {
            raise();
            activateWindow();
        },
        this);
    connect(runner_, &MovieRunner::finished, this,
            [this](RunOutcome outcome) { OnMovieFinished(outcome); });

    BuildMenus();
    // The sections share one grid, so that their right-hand columns line up. On a screen too
    // small for the window the controls scroll instead of being cut off.
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    BuildInput(grid, 0);
    auto* line = new QFrame(content);
    line->setObjectName(QStringLiteral("linSections"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, 2, 0, 1, 2);
    BuildOutput(grid, 3);
    grid->setColumnStretch(0, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrSetup"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    setCentralWidget(scroll);
    content_ = content;
}

void FrmMain::FitToScreen() {
    // Fonts and metrics are those of the screen the window opens on.
    winId();
    ensurePolished();
    content_->ensurePolished();
    QSize wanted = content_->sizeHint() + QSize(0, menuBar()->sizeHint().height());
    if (const QScreen* shown = screen()) {
        const QSize room = shown->availableSize();
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (wanted.height() > room.height()) {
            wanted.rwidth() += bar;
        }
        if (wanted.width() > room.width()) {
            wanted.rheight() += bar;
        }
        wanted = wanted.boundedTo(room);
    }
    resize(wanted);
}

FrmMain::~FrmMain() = default;

SetupSession FrmMain::Session() {
    MovieMakerObjects& o = context_.objects;
    return {o.state, o.movieGen, o.ini, context_.prompter, *this};
}

bool FrmMain::IsMakingMovie() const {
    return runner_->IsRunning();
}

// --- building ---

void FrmMain::BuildMenus() {
    const auto item = [this](QMenu* menu, const QString& text, const QString& name,
                             std::string_view procedure, std::function<void()> action) {
        QAction* added = menu->addAction(text);
        added->setObjectName(name);
        connect(added, &QAction::triggered, this,
                [procedure, action = std::move(action)] { Handle(procedure, action); });
        return added;
    };
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, QStringLiteral("&New Setup"), QStringLiteral("mnuNewSetup"), "mnuNewSetup_Click",
         [this] {
             SetupSession session = Session();
             NewFile(session);
         });
    item(mnuFile, QStringLiteral("&Open Setup"), QStringLiteral("mnuOpen"), "mnuOpen_Click",
         [this] {
             SetupSession session = Session();
             OpenFile(session);
         });
    mnuSave_ = item(mnuFile, QStringLiteral("&Save Setup"), QStringLiteral("mnuSave"),
                    "mnuSave_Click", [this] {
                        SetupSession session = Session();
                        SaveFile(session);
                    });
    mnuSave_->setEnabled(false);
    mnuSaveAs_ = item(mnuFile, QStringLiteral("Save &As Setup"), QStringLiteral("mnuSaveAs"),
                      "mnuSaveAs_Click", [this] {
                          SetupSession session = Session();
                          SaveAsFile(session);
                      });
    mnuSepFiles_ = mnuFile->addSeparator();
    mnuSepFiles_->setObjectName(QStringLiteral("mnuSepFiles"));
    mnuSepFiles_->setVisible(false);
    for (int i = 0; i < static_cast<int>(mnuFiles_.size()); ++i) {
        QAction* recent = mnuFile->addAction(QString());
        recent->setObjectName(QStringLiteral("mnuFiles_%1").arg(i));
        recent->setProperty("index", i);
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this, [this, i] { OnRecentFile(i); });
        mnuFiles_[static_cast<std::size_t>(i)] = recent;
    }
    mnuFile->addSeparator();
    QAction* quit = item(mnuFile, QStringLiteral("&Quit"), QStringLiteral("mnuQuit"),
                         "mnuQuit_Click", [this] { close(); });
    quit->setShortcut(QKeySequence::Quit);

    QMenu* mnuSettings = menuBar()->addMenu(QStringLiteral("&Settings"));
    mnuSettings->setObjectName(QStringLiteral("mnuSettings"));
    item(mnuSettings, QStringLiteral("&Location"), QStringLiteral("mnuLocation"),
         "mnuLocation_Click", [this] { OnLocation(); });

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* help = item(mnuHelp, QStringLiteral("&Online Help"), QStringLiteral("mnuOnlineHelp"),
                         "mnuOnlineHelp_Click", [this] { OnOpenManual(); });
    help->setShortcut(QKeySequence::HelpContents);
    mnuHelp->addSeparator();
    item(mnuHelp, QStringLiteral("Online &Updates"), QStringLiteral("mnuOnlineUpdates"),
         "mnuOnlineUpdates_Click", [this] { OnOpenManual(); });
    mnuHelp->addSeparator();
    item(mnuHelp, QStringLiteral("&Chronoreel Web Page"), QStringLiteral("mnuWebPage"),
         "mnuWebPage_Click", [this] { OnOpenManual(); });
    mnuHelp->addSeparator();
    item(mnuHelp, QStringLiteral("&About"), QStringLiteral("mnuAbout"), "mnuAbout_Click",
         [this] { OnAbout(); });
}

QButtonGroup* FrmMain::OptionGroup(const QString& name, std::function<void(int)> clicked) {
    auto* group = new QButtonGroup(this);
    group->setObjectName(name);
    connect(group, &QButtonGroup::idClicked, this, clicked);
    const auto slot = static_cast<std::size_t>(
        std::find(optionHandlers_.begin(), optionHandlers_.end(), nullptr) -
        optionHandlers_.begin());
    optionHandlers_.at(slot) = std::move(clicked);
    group->setProperty("handler", static_cast<int>(slot));
    return group;
}

QLineEdit* FrmMain::Box(const QString& name, const QString& sample, BoxWidth kind) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    const QFontMetrics metrics = box->fontMetrics();
    // Room for the text plus the frame's and the cursor's own margins.
    const int width = metrics.horizontalAdvance(sample) + metrics.averageCharWidth() / 2 + 8;
    if (kind == BoxWidth::kFixed) {
        box->setFixedWidth(width);
    } else {
        box->setMinimumWidth(width);
    }
    return box;
}

void FrmMain::OnTextChanged(QLineEdit* box, std::function<void(const QString&)> store) {
    const std::string procedure = ToStdString(box->objectName()) + "_Change";
    connect(box, &QLineEdit::textChanged, this,
            [this, procedure, store = std::move(store)](const QString& text) {
                if (loading_) {
                    return;
                }
                Handle(procedure, [&] { store(text); });
            });
}

void FrmMain::SelectOption(QButtonGroup* group, int index) {
    QAbstractButton* button = group->button(index);
    if (button == nullptr) {
        return;
    }
    button->setChecked(true);
    // As a click would: the handler runs also when the option was already selected.
    optionHandlers_.at(static_cast<std::size_t>(group->property("handler").toInt()))(index);
}

void FrmMain::BuildTimeFrame(TimeFrame& frame, const QString& prefix, const QString& title) {
    frame.frame = new QGroupBox(title, this);
    frame.frame->setObjectName(QStringLiteral("fra%1Time").arg(prefix));
    auto* grid = new QGridLayout(frame.frame);
    Compact(grid);
    const QString optionName = QStringLiteral("opt%1Time_%2");
    const auto option = [&](int index, const QString& caption, int row) {
        auto* button = new QRadioButton(caption, frame.frame);
        button->setObjectName(optionName.arg(prefix).arg(index));
        button->setProperty("index", index);
        frame.options->addButton(button, index);
        grid->addWidget(button, row, 0);
    };
    const auto box = [&](const QString& setting, const QString& sample, int row, int columns) {
        QLineEdit* added = Box(QStringLiteral("txt%1Time%2").arg(prefix, setting), sample,
                               columns > 1 ? BoxWidth::kStretch : BoxWidth::kFixed);
        grid->addWidget(added, row, 1, 1, columns);
        return added;
    };
    const auto unit = [&](const QString& setting, const QString& text, int row, int column,
                          int columns) {
        grid->addWidget(
            NamedLabel(text, QStringLiteral("lbl%1Time%2").arg(prefix, setting), frame.frame), row,
            column, 1, columns);
    };
    option(0, QStringLiteral("Now"), 0);
    option(1, QStringLiteral("Now, minus"), 1);
    frame.relative = box(QStringLiteral("Relative"), kTimeSample, 1, 1);
    unit(QStringLiteral("Relative"), QStringLiteral("hours"), 1, 2, 1);
    option(2, QStringLiteral("Today at:"), 2);
    frame.today = box(QStringLiteral("Today"), kTimeSample, 2, 1);
    unit(QStringLiteral("Today"), kTimeFormat, 2, 2, 1);
    option(6, QStringLiteral("Yesterday at:"), 3);
    frame.yesterday = box(QStringLiteral("Yesterday"), kTimeSample, 3, 1);
    unit(QStringLiteral("Yesterday"), kTimeFormat, 3, 2, 1);
    // The absolute date and time: an option without caption, its box and, below the box, the
    // format it takes.
    option(3, QString(), 4);
    frame.absolute = box(QStringLiteral("Absolute"), kDateTimeSample, 4, 2);
    unit(QStringLiteral("Absolute"), kDateTimeFormat, 5, 1, 2);
    option(4, QStringLiteral("Sunrise +/-"), 6);
    frame.sunriseRelative = box(QStringLiteral("SunriseRelative"), kTimeSample, 6, 1);
    unit(QStringLiteral("SunriseRelative"), QStringLiteral("hours"), 6, 2, 1);
    option(5, QStringLiteral("Sunset +/-"), 7);
    frame.sunsetRelative = box(QStringLiteral("SunsetRelative"), kTimeSample, 7, 1);
    unit(QStringLiteral("SunsetRelative"), QStringLiteral("hours"), 7, 2, 1);
    grid->setColumnStretch(3, 1);
}

void FrmMain::BuildInput(QGridLayout* grid, int row) {
    QWidget* const section = this;
    grid->addWidget(Heading(QStringLiteral("Input:"), QStringLiteral("lblInput"), section), row, 0,
                    1, 2);

    // Left: the image directory and the time filter.
    auto* left = new QVBoxLayout;
    auto* directory = new QHBoxLayout;
    txtImageDirectory_ = Box(QStringLiteral("txtImageDirectory"), kPathSample, BoxWidth::kStretch);
    auto* browseDirectory = new QPushButton(QStringLiteral("Browse"), section);
    browseDirectory->setObjectName(QStringLiteral("cmdBrowseImageDirectory"));
    directory->addWidget(NamedLabel(QStringLiteral("Still Image Directory:"),
                                    QStringLiteral("lblImageDirectory"), section));
    directory->addWidget(txtImageDirectory_, 1);
    directory->addWidget(browseDirectory);
    left->addLayout(directory);

    auto* timeFilter = new QGroupBox(QStringLiteral("Time Filter"), section);
    timeFilter->setObjectName(QStringLiteral("fraTimeFilter"));
    optUseTimeFilter_ = OptionGroup(QStringLiteral("optUseTimeFilter"), [this](int index) {
        Handle("optUseTimeFilter_Click", [&] {
            ApplyTimeFilterEnabling(index == 1);
            if (!loading_) {
                context_.objects.movieGen.SetTimeOption(index);
            }
        });
    });
    auto* filterOptions = new QHBoxLayout;
    const QStringList filterCaptions = {QStringLiteral("Ignore File Time"),
                                        QStringLiteral("Use Start to Stop Time:")};
    for (int i = 0; i < filterCaptions.size(); ++i) {
        auto* button = new QRadioButton(filterCaptions[i], timeFilter);
        button->setObjectName(QStringLiteral("optUseTimeFilter_%1").arg(i));
        button->setProperty("index", i);
        optUseTimeFilter_->addButton(button, i);
        filterOptions->addWidget(button);
    }
    filterOptions->addStretch(1);
    start_.options = OptionGroup(QStringLiteral("optStartTime"), [this](int index) {
        Handle("optStartTime_Click", [&] {
            if (!loading_) {
                context_.objects.movieGen.SetStartTimeOption(index);
            }
        });
    });
    stop_.options = OptionGroup(QStringLiteral("optStopTime"), [this](int index) {
        Handle("optStopTime_Click", [&] {
            if (!loading_) {
                context_.objects.movieGen.SetStopTimeOption(index);
            }
        });
    });
    BuildTimeFrame(start_, QStringLiteral("Start"), QStringLiteral("Start Time"));
    BuildTimeFrame(stop_, QStringLiteral("Stop"), QStringLiteral("Stop Time"));
    lblStart_ = NamedLabel(QStringLiteral("Start:"), QStringLiteral("lblStart"), timeFilter);
    lblStop_ = NamedLabel(QStringLiteral("Stop:"), QStringLiteral("lblStop"), timeFilter);
    auto* frames = new QGridLayout;
    frames->addWidget(lblStart_, 0, 0);
    frames->addWidget(lblStop_, 0, 1);
    frames->addWidget(start_.frame, 1, 0);
    frames->addWidget(stop_.frame, 1, 1);
    auto* filterLayout = new QVBoxLayout(timeFilter);
    Compact(filterLayout);
    filterLayout->addLayout(filterOptions);
    filterLayout->addLayout(frames);
    left->addWidget(timeFilter);
    left->addStretch(1);

    // Right: the file filter, the image interval and the time stamps.
    auto* right = new QVBoxLayout;
    txtImageFilter_ = Box(QStringLiteral("txtImageFilter"), kFilterSample, BoxWidth::kStretch);
    right->addWidget(NamedLabel(QStringLiteral("File Filter (typ. *.jpg):"),
                                QStringLiteral("lblImageFilter"), section));
    right->addWidget(txtImageFilter_);

    auto* interval = new QGroupBox(QStringLiteral("Image Interval"), section);
    interval->setObjectName(QStringLiteral("fraImageInterval"));
    optImageInterval_ = OptionGroup(QStringLiteral("optImageInterval"), [this](int index) {
        Handle("optImageInterval_Click", [&] {
            lblDuplicateCount_->setEnabled(index == 1);
            txtDuplicateCount_->setEnabled(index == 1);
            if (!loading_) {
                context_.objects.movieGen.SetImageIntervalOption(index);
            }
        });
    });
    auto* intervalGrid = new QGridLayout(interval);
    Compact(intervalGrid);
    auto* allImages = new QRadioButton(QStringLiteral("Use all images"), interval);
    allImages->setObjectName(QStringLiteral("optImageInterval_0"));
    auto* perHour = new QRadioButton(interval);
    perHour->setObjectName(QStringLiteral("optImageInterval_1"));
    perHour->setAccessibleName(QStringLiteral("images per hour"));
    optImageInterval_->addButton(allImages, 0);
    optImageInterval_->addButton(perHour, 1);
    txtImageInterval_ = Box(QStringLiteral("txtImageInterval"), kHoursSample, BoxWidth::kFixed);
    lblDuplicateCount_ = NamedLabel(QStringLiteral("Max repeats per image:"),
                                    QStringLiteral("lblDuplicateCount"), interval);
    txtDuplicateCount_ = Box(QStringLiteral("txtDuplicateCount"), kCountSample, BoxWidth::kFixed);
    intervalGrid->addWidget(allImages, 0, 0, 1, 3);
    auto* perHourRow = new QHBoxLayout;
    perHourRow->addWidget(perHour);
    perHourRow->addWidget(txtImageInterval_);
    perHourRow->addWidget(NamedLabel(QStringLiteral("images per hour"),
                                     QStringLiteral("lblImageInterval"), interval));
    perHourRow->addStretch(1);
    intervalGrid->addLayout(perHourRow, 1, 0, 1, 3);
    intervalGrid->addWidget(lblDuplicateCount_, 2, 0, 1, 2);
    intervalGrid->addWidget(txtDuplicateCount_, 2, 2);
    right->addWidget(interval);

    auto* stamps = new QGroupBox(QStringLiteral("Time Stamps"), section);
    stamps->setObjectName(QStringLiteral("fraTimeStamps"));
    optTimeStamp_ = OptionGroup(QStringLiteral("optTimeStamp"), [this](int index) {
        Handle("optTimeStamp_Click", [&] {
            if (!loading_) {
                context_.objects.movieGen.SetTimeStampOption(index);
            }
        });
    });
    auto* stampsLayout = new QVBoxLayout(stamps);
    Compact(stampsLayout);
    auto* modified = new QRadioButton(QStringLiteral("Use the file's last modified date"), stamps);
    modified->setObjectName(QStringLiteral("optTimeStamp_0"));
    auto* named = new WrappingRadioButton(
        QStringLiteral(
            "Use YYMMDDHHMMSSdd or YYYYMMDDHHMMSSdd naming (dd can be d, dd, or omitted)"),
        22, stamps);
    named->setObjectName(QStringLiteral("optTimeStamp_1"));
    optTimeStamp_->addButton(modified, 0);
    optTimeStamp_->addButton(named, 1);
    stampsLayout->addWidget(modified);
    stampsLayout->addWidget(named);
    right->addWidget(stamps);
    right->addStretch(1);

    grid->addLayout(left, row + 1, 0);
    grid->addLayout(right, row + 1, 1);

    // Write-back of the input controls.
    OnTextChanged(txtImageDirectory_, [this](const QString& text) {
        context_.objects.movieGen.SetStillDirectory(TrimBlanks(ToStdString(text)));
    });
    OnTextChanged(txtImageFilter_, [this](const QString& text) {
        context_.objects.movieGen.SetImageFilter(TrimBlanks(ToStdString(text)));
    });
    ConnectTimeFrame(start_, true);
    ConnectTimeFrame(stop_, false);
    OnTextChanged(txtImageInterval_, [this](const QString& text) {
        SelectOption(optImageInterval_, 1);
        context_.objects.movieGen.SetImagesPerHour(Str2Dbl(ToStdString(text)));
    });
    OnTextChanged(txtDuplicateCount_, [this](const QString& text) {
        context_.objects.movieGen.SetDuplicateCount(Str2Lng(ToStdString(text)));
    });
    connect(browseDirectory, &QPushButton::clicked, this, [this] { OnBrowseImageDirectory(); });
}

void FrmMain::ConnectTimeFrame(const TimeFrame& frame, bool start) {
    MovieGen& m = context_.objects.movieGen;
    QButtonGroup* const options = frame.options;
    // A box of an option selects that option, then stores its value.
    const auto number = [this, options](QLineEdit* box, int index,
                                        std::function<void(double)> store) {
        OnTextChanged(box, [this, options, index, store](const QString& text) {
            SelectOption(options, index);
            store(Str2Dbl(ToStdString(text)));
        });
    };
    // Text that is no valid date or time (yet) leaves the setting as it is.
    const auto dateTime = [this, options](QLineEdit* box, int index,
                                          std::function<void(DateTime)> store) {
        OnTextChanged(box, [this, options, index, store](const QString& text) {
            SelectOption(options, index);
            if (const std::optional<DateTime> value = ParseDateTime(ToStdString(text))) {
                store(*value);
            }
        });
    };
    if (start) {
        number(frame.relative, 1, [&m](double v) { m.SetStartTimeRelative(v); });
        dateTime(frame.today, 2, [&m](DateTime v) { m.SetStartTimeToday(v); });
        dateTime(frame.absolute, 3, [&m](DateTime v) { m.SetStartTimeAbsolute(v); });
        number(frame.sunriseRelative, 4, [&m](double v) { m.SetStartTimeSunriseRelative(v); });
        number(frame.sunsetRelative, 5, [&m](double v) { m.SetStartTimeSunsetRelative(v); });
        dateTime(frame.yesterday, 6, [&m](DateTime v) { m.SetStartTimeYesterday(v); });
    } else {
        number(frame.relative, 1, [&m](double v) { m.SetStopTimeRelative(v); });
        dateTime(frame.today, 2, [&m](DateTime v) { m.SetStopTimeToday(v); });
        dateTime(frame.absolute, 3, [&m](DateTime v) { m.SetStopTimeAbsolute(v); });
        number(frame.sunriseRelative, 4, [&m](double v) { m.SetStopTimeSunriseRelative(v); });
        number(frame.sunsetRelative, 5, [&m](double v) { m.SetStopTimeSunsetRelative(v); });
        dateTime(frame.yesterday, 6, [&m](DateTime v) { m.SetStopTimeYesterday(v); });
    }
}

void FrmMain::BuildOutput(QGridLayout* grid, int row) {
    QWidget* const section = this;
    grid->addWidget(Heading(QStringLiteral("Output:"), QStringLiteral("lblOutput"), section), row,
                    0, 1, 2);

    // Left: the output path, compression and old images, the post-generation shell.
    auto* left = new QVBoxLayout;
    left->addWidget(NamedLabel(QStringLiteral("Output AVI Path (i.e. /home/me/mymovie.avi):"),
                               QStringLiteral("lblOutputPath"), section));
    auto* output = new QHBoxLayout;
    txtOutputPath_ = Box(QStringLiteral("txtOutputPath"), kPathSample, BoxWidth::kStretch);
    auto* browseOutput = new QPushButton(QStringLiteral("Browse"), section);
    browseOutput->setObjectName(QStringLiteral("cmdBrowseOutputPath"));
    output->addWidget(txtOutputPath_, 1);
    output->addWidget(browseOutput);
    left->addLayout(output);

    auto* compression = new QHBoxLayout;
    auto* cmdCompression = new QPushButton(QStringLiteral("Compression Options"), section);
    cmdCompression->setObjectName(QStringLiteral("cmdShowCompressionOptions"));
    chkDeleteOlderImages_ = new QCheckBox(QStringLiteral("Delete Images Older Than"), section);
    chkDeleteOlderImages_->setObjectName(QStringLiteral("chkDeleteOlderImages"));
    txtDeleteOlderImagesHours_ =
        Box(QStringLiteral("txtDeleteOlderImagesHours"), kHoursSample, BoxWidth::kFixed);
    compression->addWidget(cmdCompression);
    compression->addSpacing(fontMetrics().averageCharWidth() * 2);
    compression->addWidget(chkDeleteOlderImages_);
    compression->addWidget(txtDeleteOlderImagesHours_);
    compression->addWidget(
        NamedLabel(QStringLiteral("Hours"), QStringLiteral("lblDeleteOlderImagesHours"), section));
    compression->addStretch(1);
    left->addLayout(compression);

    left->addWidget(NamedLabel(QStringLiteral("Post-Generation Shell (see manual for tags):"),
                               QStringLiteral("lblPostGenerationShell"), section));
    txtPostGenerationShell_ =
        Box(QStringLiteral("txtPostGenerationShell"), kPathSample, BoxWidth::kStretch);
    left->addWidget(txtPostGenerationShell_);
    left->addStretch(1);

    // Right: the movie size, the frame rate, the frame order and the two buttons.
    auto* right = new QVBoxLayout;
    auto* size = new QGroupBox(QStringLiteral("Movie Size"), section);
    size->setObjectName(QStringLiteral("fraMovieSize"));
    optMovieSize_ = OptionGroup(QStringLiteral("optMovieSize"), [this](int index) {
        Handle("optMovieSize_Click", [&] {
            if (!loading_) {
                context_.objects.movieGen.SetMovieSizeOption(index);
            }
        });
    });
    auto* sizeLayout = new QVBoxLayout(size);
    Compact(sizeLayout);
    auto* firstImage = new QRadioButton(QStringLiteral("Based on first image"), size);
    firstImage->setObjectName(QStringLiteral("optMovieSize_0"));
    auto* given = new QRadioButton(size);
    given->setObjectName(QStringLiteral("optMovieSize_1"));
    given->setAccessibleName(QStringLiteral("W x H"));
    optMovieSize_->addButton(firstImage, 0);
    optMovieSize_->addButton(given, 1);
    txtMovieWidth_ = Box(QStringLiteral("txtMovieWidth"), kPixelsSample, BoxWidth::kFixed);
    txtMovieHeight_ = Box(QStringLiteral("txtMovieHeight"), kPixelsSample, BoxWidth::kFixed);
    auto* dimensions = new QHBoxLayout;
    dimensions->addWidget(given);
    dimensions->addWidget(txtMovieWidth_);
    dimensions->addWidget(NamedLabel(QStringLiteral("x"), QStringLiteral("lblMovieSizeX"), size));
    dimensions->addWidget(txtMovieHeight_);
    dimensions->addWidget(
        NamedLabel(QStringLiteral("W x H"), QStringLiteral("lblMovieSizeUnit"), size));
    dimensions->addStretch(1);
    auto* note = NamedLabel(
        QStringLiteral(
            "Width must be a multiple of 4.  It will be rounded up at generation if necessary."),
        QStringLiteral("lblMovieSizeNote"), size);
    note->setWordWrap(true);
    sizeLayout->addWidget(firstImage);
    sizeLayout->addLayout(dimensions);
    sizeLayout->addWidget(note);
    right->addWidget(size);

    auto* fps = new QHBoxLayout;
    cmbFPS_ = new QComboBox(section);
    cmbFPS_->setObjectName(QStringLiteral("cmbFPS"));
    fps->addWidget(
        NamedLabel(QStringLiteral("Frames per second:"), QStringLiteral("lblFPS"), section));
    fps->addWidget(cmbFPS_);
    fps->addStretch(1);
    right->addLayout(fps);
    chkMovieDirection_ = new QCheckBox(QStringLiteral("Reverse Frame Order"), section);
    chkMovieDirection_->setObjectName(QStringLiteral("chkMovieDirection"));
    right->addWidget(chkMovieDirection_);
    right->addStretch(1);

    auto* buttons = new QHBoxLayout;
    cmdMakeMovie_ = new QPushButton(QStringLiteral("&Make Movie"), section);
    cmdMakeMovie_->setObjectName(QStringLiteral("cmdMakeMovie"));
    cmdMakeMovie_->setDefault(true);
    auto* cmdQuit = new QPushButton(QStringLiteral("&Quit"), section);
    cmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    buttons->addStretch(1);
    buttons->addWidget(cmdMakeMovie_);
    buttons->addWidget(cmdQuit);
    right->addLayout(buttons);

    grid->addLayout(left, row + 1, 0);
    grid->addLayout(right, row + 1, 1);

    // Write-back of the output controls.
    MovieGen& m = context_.objects.movieGen;
    OnTextChanged(txtOutputPath_,
                  [&m](const QString& text) { m.SetOutputAVIPath(TrimBlanks(ToStdString(text))); });
    OnTextChanged(txtMovieWidth_, [this, &m](const QString& text) {
        SelectOption(optMovieSize_, 1);
        m.SetMovieSizeWidth(Str2Lng(ToStdString(text)));
    });
    OnTextChanged(txtMovieHeight_, [this, &m](const QString& text) {
        SelectOption(optMovieSize_, 1);
        m.SetMovieSizeHeight(Str2Lng(ToStdString(text)));
    });
    OnTextChanged(txtDeleteOlderImagesHours_, [&m](const QString& text) {
        m.SetDeleteOldImagesHours(Str2Dbl(ToStdString(text)));
    });
    OnTextChanged(txtPostGenerationShell_, [&m](const QString& text) {
        m.SetPostGenerationShell(TrimBlanks(ToStdString(text)));
    });
    connect(cmbFPS_, &QComboBox::activated, this, [this, &m](int index) {
        Handle("cmbFPS_Click", [&] {
            if (!loading_ && index >= 0) {
                m.SetMovieFPS(Str2Lng(ToStdString(cmbFPS_->itemText(index))));
            }
        });
    });
    connect(chkDeleteOlderImages_, &QCheckBox::toggled, this, [this, &m](bool checked) {
        Handle("chkDeleteOlderImages_Click", [&] {
            if (!loading_) {
                m.SetDeleteOldImages(checked);
            }
        });
    });
    connect(chkMovieDirection_, &QCheckBox::toggled, this, [this, &m](bool checked) {
        Handle("chkMovieDirection_Click", [&] {
            if (!loading_) {
                m.SetMovieDirection(checked ? -1 : 1);
            }
        });
    });
    connect(browseOutput, &QPushButton::clicked, this, [this] { OnBrowseOutputPath(); });
    connect(cmdCompression, &QPushButton::clicked, this, [this] {
        Handle("cmdShowCompressionOptions_Click", [&] { OnShowCompressionOptions(); });
    });
    connect(cmdMakeMovie_, &QPushButton::clicked, this,
            [this] { Handle("cmdMakeMovie_Click", [&] { OnMakeMovie(); }); });
    connect(cmdQuit, &QPushButton::clicked, this,
            [this] { Handle("cmdQuit_Click", [&] { close(); }); });
}

// --- filling ---

void FrmMain::FillTimeFrame(const TimeFrame& frame, bool start) {
    const MovieGen& m = context_.objects.movieGen;
    frame.relative->setText(
        ToQString(LocaleNumberText(start ? m.StartTimeRelative() : m.StopTimeRelative())));
    frame.today->setText(ToQString(
        DateTimeText(start ? m.StartTimeToday() : m.StopTimeToday(), DateTimePattern::kTimeAmPm)));
    frame.yesterday->setText(ToQString(DateTimeText(
        start ? m.StartTimeYesterday() : m.StopTimeYesterday(), DateTimePattern::kTimeAmPm)));
    frame.absolute->setText(ToQString(DateTimeText(
        start ? m.StartTimeAbsolute() : m.StopTimeAbsolute(), DateTimePattern::kDateTimeAmPm)));
    frame.sunriseRelative->setText(ToQString(
        LocaleNumberText(start ? m.StartTimeSunriseRelative() : m.StopTimeSunriseRelative())));
    frame.sunsetRelative->setText(ToQString(
        LocaleNumberText(start ? m.StartTimeSunsetRelative() : m.StopTimeSunsetRelative())));
}

void FrmMain::UpdateSetupControls() {
    Handle("UpdateSetupControls", [&] {
        const MovieGen& m = context_.objects.movieGen;
        loading_ = true;
        txtImageDirectory_->setText(ToQString(m.StillDirectory()));
        txtImageFilter_->setText(ToQString(m.ImageFilter()));
        chkDeleteOlderImages_->setChecked(m.DeleteOldImages());
        txtDeleteOlderImagesHours_->setText(ToQString(LocaleNumberText(m.DeleteOldImagesHours())));
        chkMovieDirection_->setChecked(m.MovieDirection() != 1);
        SelectOption(optUseTimeFilter_, m.TimeOption());
        SelectOption(start_.options, m.StartTimeOption());
        SelectOption(stop_.options, m.StopTimeOption());
        FillTimeFrame(start_, true);
        FillTimeFrame(stop_, false);
        SelectOption(optImageInterval_, m.ImageIntervalOption());
        txtImageInterval_->setText(ToQString(LocaleNumberText(m.ImagesPerHour())));
        txtDuplicateCount_->setText(QString::number(m.DuplicateCount()));
        SelectOption(optTimeStamp_, m.TimeStampOption());
        txtOutputPath_->setText(ToQString(m.OutputAVIPath()));
        SelectOption(optMovieSize_, m.MovieSizeOption());
        txtMovieWidth_->setText(QString::number(m.MovieSizeWidth()));
        txtMovieHeight_->setText(QString::number(m.MovieSizeHeight()));
        cmbFPS_->clear();
        for (const std::int32_t fps : kFpsChoices) {
            cmbFPS_->addItem(QString::number(fps));
        }
        cmbFPS_->setCurrentIndex(static_cast<int>(FpsChoiceIndex(m.MovieFPS())));
        txtPostGenerationShell_->setText(ToQString(m.PostGenerationShell()));
        loading_ = false;
    });
}

void FrmMain::ApplyTimeFilterEnabling(bool useWindow) {
    for (QWidget* widget :
         {static_cast<QWidget*>(lblStart_), static_cast<QWidget*>(lblStop_),
          static_cast<QWidget*>(start_.frame), static_cast<QWidget*>(stop_.frame)}) {
        widget->setEnabled(useWindow);
    }
}

// --- SetupView ---

void FrmMain::RecentFilesChanged(const RecentFiles& files) {
    for (std::size_t i = 0; i < mnuFiles_.size(); ++i) {
        const QString path = ToQString(files[i]);
        mnuFiles_[i]->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        mnuFiles_[i]->setVisible(!path.isEmpty());
    }
    mnuSepFiles_->setVisible(!files[0].empty());
}

void FrmMain::EnableSaveCommands() {
    mnuSave_->setEnabled(true);
    mnuSaveAs_->setEnabled(true);
}

void FrmMain::ShowTitle(std::string_view title) {
    setWindowTitle(ToQString(title));
}

// --- commands ---

void FrmMain::OnBrowseImageDirectory() {
    if (const auto folder =
            BrowseStillDirectory(context_.prompter, ToStdString(txtImageDirectory_->text()))) {
        txtImageDirectory_->setText(ToQString(*folder));
    }
}

void FrmMain::OnBrowseOutputPath() {
    if (const auto path =
            BrowseOutputAviPath(context_.prompter, ToStdString(txtOutputPath_->text()))) {
        txtOutputPath_->setText(ToQString(*path));
    }
}

void FrmMain::OnShowCompressionOptions() {
    MovieGen& m = context_.objects.movieGen;
    std::vector<VideoCompressor> available = AvailableVideoCompressors();
    const CompressionDialogStart start = CompressionDialogStartOf(m, available);
    auto* dialog = new FrmCompression(start, std::move(available), m.MovieFPS(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        Handle("cmdShowCompressionOptions_Click",
               [&] { StoreCompressionChoice(context_.objects.movieGen, dialog->Choice()); });
    });
    dialog->open();
}

void FrmMain::OnMakeMovie() {
    if (runner_->IsRunning()) {
        return;
    }
    setEnabled(false);
    runner_->Start();
}

void FrmMain::OnMovieFinished(RunOutcome outcome) {
    setEnabled(true);
    raise();
    activateWindow();
    emit movieFinished(outcome);
}

void FrmMain::OnRecentFile(int index) {
    Handle("mnuFiles_Click", [&] {
        ProgramState& state = context_.objects.state;
        const std::string chosen = state.recentFiles.at(static_cast<std::size_t>(index));
        if (chosen.empty() || chosen == state.currentSetupFile) {
            return;
        }
        SetupSession session = Session();
        if (!AskSaveChanges(session)) {
            return;
        }
        state.currentSetupFile = chosen;
        LoadFile(session);
    });
}

void FrmMain::OnLocation() {
    setEnabled(false);
    locationOpen_ = true;
    // A fresh window each time: it is filled from the location when it is made.
    location_ = std::make_unique<FrmLocation>(context_.objects.state);
    connect(location_.get(), &FrmLocation::closed, this, [this] {
        locationOpen_ = false;
        setEnabled(true);
        raise();
        activateWindow();
    });
    ShowCentredOver(*location_, *this);
}

void FrmMain::OnOpenManual() {
    const std::optional<std::filesystem::path> manual = FindManual(context_.programFolder);
    if (!manual) {
        std::string text = "The manual was not found. It belongs in:";
        for (const std::filesystem::path& place : ManualCandidates(context_.programFolder)) {
            text += '\n';
            text += place.string();
        }
        context_.prompter.Message(text, kApplicationTitle, MessageButtons::kOk,
                                  MessageIcon::kExclamation);
        return;
    }
    const QUrl url = QUrl::fromLocalFile(ToQString(manual->string()));
    const bool opened = context_.openUrl ? context_.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        context_.prompter.Message("The manual could not be opened: " + manual->string(),
                                  kApplicationTitle, MessageButtons::kOk,
                                  MessageIcon::kExclamation);
    }
}

void FrmMain::OnAbout() {
    // One About box: shown again while open, it comes to the front; after OK a new one is made.
    if (about_ && about_->isVisible()) {
        about_->raise();
        about_->activateWindow();
        return;
    }
    about_ = std::make_unique<FrmAbout>(kApplicationTitle, context_.prompter);
    ShowCentredOver(*about_, *this);
}

// --- quitting ---

void FrmMain::closeEvent(QCloseEvent* event) {
    // No closing under a run or while the location window is open.
    if (runner_->IsRunning() || locationOpen_) {
        event->ignore();
        return;
    }
    if (shutDown_) {
        event->accept();
        return;
    }
    const bool ends = Trap(kModule, "Form_QueryUnload", [&] {
        SetupSession session = Session();
        return Shutdown(session, context_.settingsFolder);
    });
    if (!ends) {
        event->ignore();
        return;
    }
    shutDown_ = true;
    event->accept();
    if (about_) {
        about_->close();
    }
    emit shutDown();
}

}  // namespace chronoreel::ui
