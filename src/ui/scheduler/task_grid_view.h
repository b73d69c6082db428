#pragma once

#include <QTableWidget>
#include <vector>

#include "scheduler/task_grid.h"

namespace chronoreel::ui::scheduler {

// FGTasks, the grid of runs: the five column headers and one read-only row per run shown (at
// most 100), task names in a column that takes the room left by the four others.
class TaskGridView final : public QTableWidget {
    Q_OBJECT

  public:
    explicit TaskGridView(QWidget* parent = nullptr);

    // Shows exactly these rows, reusing the cells already there.
    void ShowRows(const std::vector<TaskGridRow>& rows);

    // Room for the headers and about ten rows.
    QSize sizeHint() const override;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void FitColumnsToFont();
};

}  // namespace chronoreel::ui::scheduler
