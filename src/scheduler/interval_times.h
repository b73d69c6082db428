#pragma once

#include <array>
#include <string>

#include "scheduler/task.h"

namespace chronoreel {

// The steps offered for adding interval times, in the order the window lists them.
struct IntervalChoice {
    const char* text;
    int minutes;
};
inline constexpr std::array<IntervalChoice, 8> kIntervalChoices = {{
    {"Minute", 1},
    {"2 Minutes", 2},
    {"5 Minutes", 5},
    {"10 Minutes", 10},
    {"15 Minutes", 15},
    {"20 Minutes", 20},
    {"30 Minutes", 30},
    {"Hour", 60},
}};

// The position of a step in kIntervalChoices; -1 when none offers it.
int IntervalChoicePosition(int minutes);

// Turns on every minute of the day that is a whole number of steps after midnight, leaving the
// minutes already on as they are. A step below 1 minute turns nothing on.
void AddIntervalTimes(Task& task, int stepMinutes);

// Turns every minute of the day off.
void ClearAllTimes(Task& task);

// Minute n of the day as the minute list shows it: "12:00 AM" to "11:59 PM".
std::string MinuteOfDayText(int minute);

}  // namespace chronoreel
