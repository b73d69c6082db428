#include "movie_setup/run_sun_times.h"

namespace chronoreel {

RunSunTimes::RunSunTimes(const ProgramState& state, const Clock& clock) : sun_(clock) {
    sun_.SetLocation({state.latitude, state.longitude});
}

SunTimesSource RunSunTimes::Source() {
    return {[this] { return sun_.Sunrise(); }, [this] { return sun_.Sunset(); }};
}

}  // namespace chronoreel
