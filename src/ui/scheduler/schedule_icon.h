#pragma once

#include <QIcon>

namespace chronoreel::ui::scheduler {

// The picture of the schedule button (cmdFixedSchedule): a clock face, drawn at every size a
// button asks for, so that it needs no icon theme.
QIcon ScheduleIcon();

}  // namespace chronoreel::ui::scheduler
