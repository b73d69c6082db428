#include "ui/scheduler/task_grid_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStringList>
#include <algorithm>

#include "ui/common/qt_text.h"

namespace chronoreel::ui::scheduler {
namespace {

constexpr int kColumns = static_cast<int>(kTaskGridHeaders.size());
constexpr int kStatusColumn = 4;
constexpr int kShownRows = 10;
// The widest texts of the time and status columns.
const QString kTimeSample = QStringLiteral("12/31/2026 12:59:59 PM");
const QStringList kStatusSamples = {QStringLiteral("Finished"), QStringLiteral("Waiting"),
                                    QStringLiteral("Running"), QStringLiteral("Skipped"),
                                    QStringLiteral("Unknown")};

}  // namespace

TaskGridView::TaskGridView(QWidget* parent) : QTableWidget(0, kColumns, parent) {
    setObjectName(QStringLiteral("FGTasks"));
    QStringList headers;
    for (const char* header : kTaskGridHeaders) {
        headers << QString::fromLatin1(header);
    }
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows move with every change of the lists: a selected row would wander to another run.
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < kColumns; ++column) {
        horizontalHeader()->setSectionResizeMode(column, QHeaderView::Interactive);
    }
    FitColumnsToFont();
}

void TaskGridView::FitColumnsToFont() {
    const QFontMetrics metrics = fontMetrics();
    // Room for the text plus the cell's own margins on both sides.
    const int padding = metrics.averageCharWidth() * 3;
    const int timeWidth = metrics.horizontalAdvance(kTimeSample) + padding;
    int statusWidth = 0;
    for (const QString& sample : kStatusSamples) {
        statusWidth = std::max(statusWidth, metrics.horizontalAdvance(sample) + padding);
    }
    for (int column = 1; column < kStatusColumn; ++column) {
        setColumnWidth(column, timeWidth);
    }
    setColumnWidth(kStatusColumn, statusWidth);
    verticalHeader()->setDefaultSectionSize(metrics.height() + metrics.height() / 2);
    horizontalHeader()->setMinimumSectionSize(metrics.averageCharWidth() * 6);
}

void TaskGridView::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitColumnsToFont();
    }
}

void TaskGridView::ShowRows(const std::vector<TaskGridRow>& rows) {
    const int count = static_cast<int>(rows.size());
    setUpdatesEnabled(false);
    setRowCount(count);
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const QString text =
                ToQString(rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
            QTableWidgetItem* cell = item(row, column);
            if (cell == nullptr) {
                setItem(row, column, new QTableWidgetItem(text));
            } else if (cell->text() != text) {
                cell->setText(text);
            }
        }
    }
    setUpdatesEnabled(true);
}

QSize TaskGridView::sizeHint() const {
    int width = frameWidth() * 2 + verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < kColumns; ++column) {
        width += column == 0 ? fontMetrics().averageCharWidth() * 24 : columnWidth(column);
    }
    const int height = frameWidth() * 2 + horizontalHeader()->sizeHint().height() +
                       verticalHeader()->defaultSectionSize() * kShownRows;
    return {width, height};
}

}  // namespace chronoreel::ui::scheduler
