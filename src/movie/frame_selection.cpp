#include "movie/frame_selection.h"

#include <cmath>
#include <numeric>
#include <utility>

namespace chronoreel {
namespace {

struct EdgeOptions {
    std::int32_t option;
    double relativeHours;
    DateTime today;
    DateTime yesterday;
    DateTime absolute;
    double sunriseHours;
    double sunsetHours;
};

DateTime WindowEdge(const EdgeOptions& edge, DateTime runStart, const SunTimesSource& sun) {
    const double today = std::floor(runStart);
    switch (edge.option) {
        case 1:
            return runStart - edge.relativeHours / 24;
        case 2:
            return today + edge.today;
        case 3:
            return edge.absolute;
        case 4:
            return today + sun.sunrise() + edge.sunriseHours / 24;
        case 5:
            return today + sun.sunset() + edge.sunsetHours / 24;
        case 6:
            return today - 1 + edge.yesterday;
        default:
            return runStart;
    }
}

bool InWindow(DateTime stamp, const SelectionSettings& settings, const TimeWindow& window) {
    return settings.TimeOption != 1 || (window.start <= stamp && stamp <= window.stop);
}

bool WholeListQualifies(const std::vector<DateTime>& stamps, const SelectionSettings& settings,
                        const TimeWindow& window) {
    if (settings.ImageIntervalOption == 1) {
        return false;
    }
    return settings.TimeOption != 1 ||
           (stamps.front() >= window.start && stamps.back() <= window.stop);
}

// The slots of the thinned movie: each slot goes to the image nearest to it in time (a tie to
// the later image), an image fills at most duplicateCount of its slots.
class Thinning {
  public:
    Thinning(const std::vector<DateTime>& stamps, const SelectionSettings& settings,
             std::vector<std::size_t>& frames)
        : stamps_(stamps),
          frames_(frames),
          duplicateCount_(settings.DuplicateCount),
          delta_(settings.ImagesPerHour == 0 ? 1.0 / 24 : 1.0 / 24 / settings.ImagesPerHour) {}

    void Place(std::size_t i) {
        const DateTime t = stamps_[i];
        std::int32_t k = 0;
        if (slot_ == 0) {
            slot_ = t + delta_;
            Append(i, k);
        }
        if (i == stamps_.size() - 1) {
            PlaceLast(i, t, k);
        } else {
            PlaceBeforeNext(i, t, stamps_[i + 1], k);
        }
    }

  private:
    void Append(std::size_t i, std::int32_t& k) {
        frames_.push_back(i);
        ++k;
    }

    void PlaceLast(std::size_t i, DateTime t, std::int32_t& k) {
        while (t >= slot_) {
            slot_ += delta_;
            if (k < duplicateCount_) {
                Append(i, k);
            }
        }
        if (t < slot_ && std::abs(t - slot_) < delta_ / 2 && k < duplicateCount_) {
            Append(i, k);
            slot_ += delta_;
        }
    }

    void PlaceBeforeNext(std::size_t i, DateTime t, DateTime next, std::int32_t& k) {
        if (!(next > slot_)) {
            return;  // a later image is the better candidate for this slot
        }
        while (!(t < slot_ && std::abs(next - slot_) <= std::abs(slot_ - t))) {
            slot_ += delta_;
            if (k < duplicateCount_) {
                Append(i, k);
            }
        }
    }

    const std::vector<DateTime>& stamps_;
    std::vector<std::size_t>& frames_;
    const std::int32_t duplicateCount_;
    const double delta_;
    DateTime slot_ = 0;
};

}  // namespace

TimeWindow ComputeTimeWindow(const SelectionSettings& settings, DateTime runStart,
                             const SunTimesSource& sun) {
    TimeWindow window;
    window.start =
        WindowEdge({settings.StartTimeOption, settings.StartTimeRelative, settings.StartTimeToday,
                    settings.StartTimeYesterday, settings.StartTimeAbsolute,
                    settings.StartTimeSunriseRelative, settings.StartTimeSunsetRelative},
                   runStart, sun);
    window.stop =
        WindowEdge({settings.StopTimeOption, settings.StopTimeRelative, settings.StopTimeToday,
                    settings.StopTimeYesterday, settings.StopTimeAbsolute,
                    settings.StopTimeSunriseRelative, settings.StopTimeSunsetRelative},
                   runStart, sun);
    window.direction = settings.MovieDirection;
    if (settings.TimeOption == 1 && window.start > window.stop) {
        window.direction = -window.direction;
        std::swap(window.start, window.stop);
    }
    return window;
}

FrameSelection SelectFrames(const std::vector<DateTime>& stamps, const SelectionSettings& settings,
                            const TimeWindow& window, const SelectionProgress& progress) {
    FrameSelection selection;
    if (stamps.empty()) {
        return selection;
    }
    if (WholeListQualifies(stamps, settings, window)) {
        selection.frames.resize(stamps.size());
        std::iota(selection.frames.begin(), selection.frames.end(), std::size_t{0});
        selection.outcome = SelectionOutcome::kSelected;
        return selection;
    }

    Thinning thinning(stamps, settings, selection.frames);
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        if (InWindow(stamps[i], settings, window)) {
            if (settings.ImageIntervalOption == 1) {
                thinning.Place(i);
            } else {
                selection.frames.push_back(i);
            }
        }
        if (progress.image) {
            progress.image(i, stamps.size());
        }
        if (progress.cancelled && progress.cancelled()) {
            selection.outcome = SelectionOutcome::kCancelled;
            return selection;
        }
    }
    selection.outcome =
        selection.frames.empty() ? SelectionOutcome::kNothingSelected : SelectionOutcome::kSelected;
    return selection;
}

}  // namespace chronoreel
