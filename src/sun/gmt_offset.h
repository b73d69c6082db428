#pragma once

#include <chrono>

namespace chronoreel {

// Hours to add to local time to reach UTC, with the daylight-saving adjustment in force at the
// given instant: 5 for New York in winter, 4 in summer, -1 for UTC+01:00, -5.5 for India.
double GMTOffsetAt(std::chrono::system_clock::time_point instant);

// The same for the moment of the call. Computed afresh every time; nothing is cached.
double GMTOffset();

}  // namespace chronoreel
