#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/date_time.h"
#include "movie/movie_settings.h"

namespace chronoreel {

// The settings that decide the time window and the frames: the selection reads them straight
// from the movie settings.
using SelectionSettings = MovieSettings;

// Today's sunrise and sunset as time-of-day fractions; asked only for the edges that need them.
struct SunTimesSource {
    std::function<double()> sunrise;
    std::function<double()> sunset;
};

struct TimeWindow {
    DateTime start = 0;
    DateTime stop = 0;
    std::int32_t direction = 1;  // output direction after a backwards window was swapped
};

// The window edges from the start and stop options at the run start time. A window given
// backwards is swapped and reverses the output direction (only when the window is used).
TimeWindow ComputeTimeWindow(const SelectionSettings& settings, DateTime runStart,
                             const SunTimesSource& sun);

enum class SelectionOutcome { kSelected, kNothingSelected, kCancelled };

// What selection asks of the run after each image: progress ("Frame: i of n") and whether to stop.
struct SelectionProgress {
    std::function<void(std::size_t index, std::size_t count)> image;
    std::function<bool()> cancelled;
};

struct FrameSelection {
    SelectionOutcome outcome = SelectionOutcome::kNothingSelected;
    // Indexes into the image list, in time order, repeats as consecutive entries.
    std::vector<std::size_t> frames;
};

// Filters the sorted stamps by the window and thins them to imagesPerHour with at most
// duplicateCount frames per image.
FrameSelection SelectFrames(const std::vector<DateTime>& stamps, const SelectionSettings& settings,
                            const TimeWindow& window, const SelectionProgress& progress);

// The frame-list entry written at output position (0-based) in the given direction.
inline std::size_t FrameAtOutputPosition(const std::vector<std::size_t>& frames,
                                         std::size_t position, std::int32_t direction) {
    return direction == -1 ? frames[frames.size() - 1 - position] : frames[position];
}

}  // namespace chronoreel
