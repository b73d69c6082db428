#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "scheduler/engine.h"

namespace chronoreel {

// The grid of runs the scheduler's window shows: a header row and at most 100 data rows.
inline constexpr int kTaskGridDataRows = 100;
inline constexpr std::array<const char*, 5> kTaskGridHeaders = {"Task Name", "Scheduled", "Started",
                                                                "Completed", "Status"};

// One data row: the task's name, the scheduled, started and completed times ("N/A" for none)
// and the status text.
using TaskGridRow = std::array<std::string, 5>;

// A time of the grid: "N/A" for 0, else the date and time.
std::string GridTimeText(DateTime value);

// The rows of the four run lists, completed runs first, then the running ones, the queue and the
// to-do list, each in its own order; runs beyond the hundredth row are not shown.
std::vector<TaskGridRow> TaskGridRows(const Engine& engine);

}  // namespace chronoreel
