#pragma once

#include "movie/frame_selection.h"
#include "movie_setup/program_state.h"
#include "sun/sun_times.h"

namespace chronoreel {

class Clock;

// Today's sunrise and sunset at the user's location as a run takes them. Made for each run, so
// a location changed since the last run is always the one used.
class RunSunTimes {
  public:
    RunSunTimes(const ProgramState& state, const Clock& clock);
    RunSunTimes(const RunSunTimes&) = delete;
    RunSunTimes& operator=(const RunSunTimes&) = delete;

    // Valid while this object lives.
    SunTimesSource Source();

  private:
    SunTimes sun_;
};

}  // namespace chronoreel
