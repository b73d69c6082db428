#include "scheduler/interval_times.h"

#include "base/date_time.h"

namespace chronoreel {

int IntervalChoicePosition(int minutes) {
    for (std::size_t i = 0; i < kIntervalChoices.size(); ++i) {
        if (kIntervalChoices[i].minutes == minutes) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void AddIntervalTimes(Task& task, int stepMinutes) {
    if (stepMinutes < 1) {
        return;
    }
    for (int minute = 0; minute < Task::kMinutesPerDay; minute += stepMinutes) {
        if (!task.SetupTimesIndex(minute)) {
            task.SetSetupTimesIndex(minute, true);
        }
    }
}

void ClearAllTimes(Task& task) {
    task.SetSetupTimes(std::string(Task::kMinutesPerDay, '0'));
}

std::string MinuteOfDayText(int minute) {
    return FormatDateTime(static_cast<double>(minute) / Task::kMinutesPerDay,
                          DateTimePattern::kShortTimeAmPm);
}

}  // namespace chronoreel
