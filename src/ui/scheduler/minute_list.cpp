#include "ui/scheduler/minute_list.h"

#include <QItemSelection>
#include <QScrollBar>
#include <QStringList>

#include "scheduler/interval_times.h"
#include "scheduler/task.h"
#include "ui/common/qt_text.h"

namespace chronoreel::ui::scheduler {
namespace {

constexpr int kShownEntries = 10;
constexpr int kMinimumEntries = 4;
const QString kWidestTime = QStringLiteral("12:00 AM");

}  // namespace

MinuteList::MinuteList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("lstSelectTimes"));
    setSelectionMode(QAbstractItemView::MultiSelection);
    setUniformItemSizes(true);
    QStringList minutes;
    minutes.reserve(Task::kMinutesPerDay);
    for (int minute = 0; minute < Task::kMinutesPerDay; ++minute) {
        minutes << ToQString(MinuteOfDayText(minute));
    }
    addItems(minutes);
}

void MinuteList::ShowMinutes(const Task& task) {
    const int scrolled = verticalScrollBar()->value();
    const QModelIndex current = currentIndex();
    // One selection of the runs of minutes that are on: one change instead of up to 1440.
    QItemSelection selection;
    int runStart = -1;
    for (int minute = 0; minute <= Task::kMinutesPerDay; ++minute) {
        const bool on = minute < Task::kMinutesPerDay && task.SetupTimesIndex(minute);
        if (on && runStart < 0) {
            runStart = minute;
        } else if (!on && runStart >= 0) {
            selection.select(model()->index(runStart, 0), model()->index(minute - 1, 0));
            runStart = -1;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current.isValid()) {
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }
    verticalScrollBar()->setValue(scrolled);
}

std::vector<MinuteList::Change> MinuteList::Changes(const QItemSelection& selected,
                                                    const QItemSelection& deselected) {
    std::vector<Change> changes;
    for (const QModelIndex& index : selected.indexes()) {
        changes.push_back({index.row(), true});
    }
    for (const QModelIndex& index : deselected.indexes()) {
        changes.push_back({index.row(), false});
    }
    return changes;
}

QSize MinuteList::sizeHint() const {
    const int rowHeight = sizeHintForRow(0) > 0 ? sizeHintForRow(0) : fontMetrics().height();
    return {minimumSizeHint().width(), frameWidth() * 2 + rowHeight * kShownEntries};
}

QSize MinuteList::minimumSizeHint() const {
    const int rowHeight = sizeHintForRow(0) > 0 ? sizeHintForRow(0) : fontMetrics().height();
    const int width = frameWidth() * 2 + fontMetrics().horizontalAdvance(kWidestTime) +
                      fontMetrics().averageCharWidth() * 3 +
                      verticalScrollBar()->sizeHint().width();
    return {width, frameWidth() * 2 + rowHeight * kMinimumEntries};
}

}  // namespace chronoreel::ui::scheduler
