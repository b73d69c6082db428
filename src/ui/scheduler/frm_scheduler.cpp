#include "ui/scheduler/frm_scheduler.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdint>
#include <string>

#include "base/date_time.h"
#include "base/error_report.h"
#include "base/numbers.h"
#include "base/text.h"
#include "scheduler/schedule.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_placement.h"

namespace chronoreel::ui::scheduler {
namespace {

constexpr std::string_view kModule = "frmScheduler";
// The boxes are as wide as their longest usual content.
const QString kTimeSample = QStringLiteral("00:00:00");
const QString kOffsetSample = QStringLiteral("-1440.5");

QLabel* NamedLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* Box(const QString& name, const QString& sample, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    const QFontMetrics metrics = box->fontMetrics();
    // Room for the text plus the frame's and the cursor's own margins.
    box->setFixedWidth(metrics.horizontalAdvance(sample) + metrics.averageCharWidth() * 2 + 8);
    return box;
}

std::string Trimmed(const QString& text) {
    return std::string(TrimBlanks(ToStdString(text)));
}

}  // namespace

FrmScheduler::FrmScheduler(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmScheduler"));
    setWindowTitle(QStringLiteral("Schedule Setup"));

    optEnableType_ = new QButtonGroup(this);
    optEnableType_->setObjectName(QStringLiteral("optEnableType"));
    auto* enableRow = new QHBoxLayout;
    enableRow->addWidget(
        NamedLabel(QStringLiteral("Schedule:"), QStringLiteral("lblEnableFeature"), this));
    const QStringList enableCaptions = {QStringLiteral("24-&Hours"),
                                        QStringLiteral("&From Start to Stop:")};
    for (int i = 0; i < enableCaptions.size(); ++i) {
        auto* button = new QRadioButton(enableCaptions[i], this);
        button->setObjectName(QStringLiteral("optEnableType_%1").arg(i));
        optEnableType_->addButton(button, i);
        enableRow->addWidget(button);
    }
    enableRow->addStretch(1);

    auto* edges = new QHBoxLayout;
    edges->addWidget(BuildEdge(start_, true));
    edges->addSpacing(fontMetrics().averageCharWidth() * 3);
    edges->addWidget(BuildEdge(stop_, false));
    edges->addStretch(1);

    QPushButton* cmdExit = nullptr;
    QHBoxLayout* buttons = OkButtonRow(this, cmdExit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(enableRow);
    layout->addLayout(edges);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(optEnableType_, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        Trap(kModule, "optEnableType_Click", [&] {
            if (loading_ || !checked || schedule_ == nullptr) {
                return;
            }
            schedule_->SetScheduleMode(index);
            EnableEdges(schedule_->ScheduleMode() == 1);
        });
    });
    ConnectEdge(start_, true);
    ConnectEdge(stop_, false);
    connect(cmdExit, &QPushButton::clicked, this, [this] {
        Trap(kModule, "cmdExit_Click", [&] {
            result_ = 1;
            close();
        });
    });
}

QWidget* FrmScheduler::BuildEdge(Edge& edge, bool start) {
    const QString side = start ? QStringLiteral("Start") : QStringLiteral("Stop");
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("fra%1").arg(side));
    auto* grid = new QGridLayout(column);
    grid->setContentsMargins(0, 0, 0, 0);
    edge.heading = NamedLabel(side, QStringLiteral("lbl%1").arg(side), column);
    QFont bold = edge.heading->font();
    bold.setBold(true);
    edge.heading->setFont(bold);
    grid->addWidget(edge.heading, 0, 0, 1, 3);

    edge.options = new QButtonGroup(this);
    edge.options->setObjectName(QStringLiteral("opt%1").arg(side));
    const QStringList captions =
        start ? QStringList{QStringLiteral("&Abs. Time: (HH:MM:SS)"),
                            QStringLiteral("&Sunrise +/-"), QStringLiteral("S&unset +/-")}
              : QStringList{QStringLiteral("Abs. &Time: (HH:MM:SS)"),
                            QStringLiteral("Su&nrise +/-"), QStringLiteral("Sunse&t +/-")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(captions[i], column);
        button->setObjectName(QStringLiteral("opt%1_%2").arg(side).arg(i));
        edge.options->addButton(button, i);
        edge.buttons[static_cast<std::size_t>(i)] = button;
        grid->addWidget(button, i + 1, 0);
    }
    edge.absolute = Box(QStringLiteral("txtAbsolute%1").arg(side), kTimeSample, column);
    edge.sunriseOffset = Box(QStringLiteral("txt%1SunriseOffset").arg(side), kOffsetSample, column);
    edge.sunsetOffset = Box(QStringLiteral("txt%1SunsetOffset").arg(side), kOffsetSample, column);
    edge.absolute->setText(kTimeSample);
    grid->addWidget(edge.absolute, 1, 1);
    grid->addWidget(edge.sunriseOffset, 2, 1);
    grid->addWidget(edge.sunsetOffset, 3, 1);
    edge.units[0] =
        NamedLabel(QStringLiteral("minutes"), QStringLiteral("lbl%1SunriseUnit").arg(side), column);
    edge.units[1] =
        NamedLabel(QStringLiteral("minutes"), QStringLiteral("lbl%1SunsetUnit").arg(side), column);
    grid->addWidget(edge.units[0], 2, 2);
    grid->addWidget(edge.units[1], 3, 2);
    grid->setColumnStretch(3, 1);
    return column;
}

FrmScheduler::~FrmScheduler() {
    // QWidget destroys the boxes after this part of the window is gone, and a box may still
    // signal a change then: none of its signals may reach this object any more.
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
}

void FrmScheduler::OnEdgeText(QLineEdit* box, void (Schedule::*store)(double),
                              double (*read)(std::string_view)) {
    const std::string procedure = ToStdString(box->objectName()) + "_Change";
    connect(box, &QLineEdit::textChanged, this,
            [this, procedure, store, read](const QString& text) {
                Trap(kModule, procedure, [&] {
                    if (!loading_ && schedule_ != nullptr) {
                        (schedule_->*store)(read(Trimmed(text)));
                    }
                });
            });
}

void FrmScheduler::ConnectEdge(const Edge& edge, bool start) {
    // Each handler does nothing while the controls are filled or no schedule is attached.
    const std::string procedure = start ? "optStart_Click" : "optStop_Click";
    void (Schedule::*const storeMode)(std::int32_t) =
        start ? &Schedule::SetStartMode : &Schedule::SetStopMode;
    connect(edge.options, &QButtonGroup::idToggled, this,
            [this, procedure, storeMode](int index, bool checked) {
                Trap(kModule, procedure, [&] {
                    if (checked && !loading_ && schedule_ != nullptr) {
                        (schedule_->*storeMode)(index);
                    }
                });
            });
    // A text that is no time stores 00:00:00; the record clamps what it is given.
    OnEdgeText(edge.absolute,
               start ? &Schedule::SetStartAbsoluteTime : &Schedule::SetStopAbsoluteTime,
               &scheduler_numbers::CDateNI);
    OnEdgeText(edge.sunriseOffset,
               start ? &Schedule::SetStartSunriseOffset : &Schedule::SetStopSunriseOffset,
               &Str2DblNI);
    OnEdgeText(edge.sunsetOffset,
               start ? &Schedule::SetStartSunsetOffset : &Schedule::SetStopSunsetOffset,
               &Str2DblNI);
}

void FrmScheduler::FillEdge(const Edge& edge, bool start) {
    const Schedule& s = *schedule_;
    const int mode = start ? s.StartMode() : s.StopMode();
    if (QAbstractButton* button = edge.options->button(mode)) {
        button->setChecked(true);
    }
    edge.absolute->setText(ToQString(FormatDateTime(
        start ? s.StartAbsoluteTime() : s.StopAbsoluteTime(), DateTimePattern::kTime24)));
    // Offsets in the form the boxes read back.
    edge.sunriseOffset->setText(
        ToQString(CStrNI(start ? s.StartSunriseOffset() : s.StopSunriseOffset())));
    edge.sunsetOffset->setText(
        ToQString(CStrNI(start ? s.StartSunsetOffset() : s.StopSunsetOffset())));
}

void FrmScheduler::Update() {
    Trap(kModule, "Update", [&] {
        if (schedule_ == nullptr) {
            return;
        }
        loading_ = true;
        if (QAbstractButton* button = optEnableType_->button(schedule_->ScheduleMode())) {
            button->setChecked(true);
        }
        FillEdge(start_, true);
        FillEdge(stop_, false);
        EnableEdges(schedule_->ScheduleMode() == 1);
        loading_ = false;
    });
}

void FrmScheduler::EnableEdges(bool fromStartToStop) {
    for (const Edge* edge : {&start_, &stop_}) {
        edge->heading->setEnabled(fromStartToStop);
        for (QRadioButton* button : edge->buttons) {
            button->setEnabled(fromStartToStop);
        }
        for (QLineEdit* box : {edge->absolute, edge->sunriseOffset, edge->sunsetOffset}) {
            box->setEnabled(fromStartToStop);
        }
        for (QLabel* unit : edge->units) {
            unit->setEnabled(fromStartToStop);
        }
    }
}

void FrmScheduler::closeEvent(QCloseEvent* event) {
    Trap(kModule, "Form_QueryUnload", [&] {
        event->accept();
        if (!closedOnce_) {
            closedOnce_ = true;
            emit closed();
        }
    });
}

}  // namespace chronoreel::ui::scheduler
