#include "scheduler/task_grid.h"

namespace chronoreel {

std::string GridTimeText(DateTime value) {
    return value == 0.0 ? std::string("N/A")
                        : FormatDateTime(value, DateTimePattern::kDateTimeAmPm);
}

std::vector<TaskGridRow> TaskGridRows(const Engine& engine) {
    std::vector<TaskGridRow> rows;
    for (const RunList* list : {&engine.CompletedTasks(), &engine.RunningTasks(),
                                &engine.QueuedTasks(), &engine.ToDoTasks()}) {
        for (int slot = 0; slot < list->Count(); ++slot) {
            if (static_cast<int>(rows.size()) == kTaskGridDataRows) {
                return rows;
            }
            const TaskRun& run = (*list)[slot];
            rows.push_back({run.task ? run.task->Name() : std::string(),
                            GridTimeText(run.scheduled), GridTimeText(run.started),
                            GridTimeText(run.completed), std::string(StatusText(run.status))});
        }
    }
    return rows;
}

}  // namespace chronoreel
