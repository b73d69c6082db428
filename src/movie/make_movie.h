#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "base/exit_codes.h"
#include "movie/frame_selection.h"
#include "movie/image_scan.h"

namespace chronoreel {

class Clock;
class MovieGen;
class RunView;

// How a generation run ended.
enum class RunOutcome {
    kMovieWritten,     // the movie was closed and published; post-generation actions ran
    kNoFilesFound,     // the scan took no image
    kNothingSelected,  // no image met the timing criteria
    kNothingDecoded,   // a movie file without a video stream was written: no frame decoded
    kCancelled,        // cancelled (before or during writing; a partial movie is published)
    kOpenFailed,       // the movie file could not be created; the old movie is untouched
    kWriteFailed,      // a stream or write failure (or an unknown compressor) aborted the run
};

// The exit code of an unattended run that ended this way.
ExitCode ExitCodeFor(RunOutcome outcome);

// What a run needs besides the settings.
struct RunContext {
    const Clock& clock;
    SunTimesSource sun;       // today's sunrise and sunset at the user's location
    RunView* view = nullptr;  // the preview, or nullptr in a run without windows
    bool automation = false;  // an unattended run: the main window is left alone
    // Where a run without windows tells what went wrong (an unknown compressor, a command that
    // could not be started); empty to say nothing.
    std::function<void(std::string_view line)> diagnostic;
    // A stop asked for from outside the run (a signal), which the run's start does not clear:
    // a request that arrives before the run has begun still stops it at its first checkpoint.
    std::function<bool()> stopRequested;
    // Told after each frame position of the frame loop (from 1 to the frame count), written or
    // skipped; empty to tell nobody.
    std::function<void(std::size_t position, std::size_t count)> frameProgress = {};
};

// The settings of gen as scan and selection take them.
ScanSettings ScanSettingsOf(const MovieGen& gen);
const SelectionSettings& SelectionSettingsOf(const MovieGen& gen);

// Makes one movie from the settings of gen: scan, selection, rendering, writing, the
// post-generation command and the deletion of old images, with every status and frame text
// written to the view. Cancel through gen.SetCancelMovie(true), also from a signal handler.
RunOutcome MakeMovie(MovieGen& gen, const RunContext& context);

// What a dry run prints after the settings: the window and the frames that a run would write.
struct DryRunPlan {
    TimeWindow window;
    ImageList images;
    std::vector<std::size_t> frames;  // indexes into images, in output order, repeats included
};
DryRunPlan PlanMovie(const MovieGen& gen, const RunContext& context);

// The lines of a dry run after the settings: "WindowStart=", "WindowStop=", "Direction=" and
// one "frame=N path" per frame in output order.
std::vector<std::string> DryRunLines(const DryRunPlan& plan);

}  // namespace chronoreel
