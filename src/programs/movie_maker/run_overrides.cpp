#include "programs/movie_maker/run_overrides.h"

#include "programs/movie_maker/command_line.h"
#include "movie/movie_gen.h"

namespace chronoreel {
namespace {

// The command line's value for "no override given".
constexpr DateTime kNoOverride = -1;
// StartTimeOption / StopTimeOption: an absolute date-time.
constexpr std::int32_t kAbsoluteTime = 3;
// TimeOption: use the start-to-stop window.
constexpr std::int32_t kUseTimeWindow = 1;
constexpr DateTime kOpenStart = 0;     // 1899-12-30
constexpr DateTime kOpenEnd = 100000;  // 2173-10-14

void ApplyWindowOverrides(MovieGen& gen, const CommandLineValues& values) {
    const bool hasStart = values.startOverride != kNoOverride;
    const bool hasStop = values.stopOverride != kNoOverride;
    if (hasStart) {
        gen.SetStartTimeOption(kAbsoluteTime);
        gen.SetStartTimeAbsolute(values.startOverride);
        gen.SetTimeOption(kUseTimeWindow);
        if (!hasStop) {
            gen.SetStopTimeOption(kAbsoluteTime);
            gen.SetStopTimeAbsolute(kOpenEnd);
        }
    }
    if (hasStop) {
        gen.SetStopTimeOption(kAbsoluteTime);
        gen.SetStopTimeAbsolute(values.stopOverride);
        gen.SetTimeOption(kUseTimeWindow);
        if (!hasStart) {
            gen.SetStartTimeOption(kAbsoluteTime);
            gen.SetStartTimeAbsolute(kOpenStart);
        }
    }
}

void ApplyPathOverrides(MovieGen& gen, const CommandLineValues& values) {
    if (!values.inputPathOverride.empty()) {
        gen.SetStillDirectory(values.inputPathOverride);
    }
    if (!values.fileFilterOverride.empty()) {
        gen.SetImageFilter(values.fileFilterOverride);
    }
    if (!values.outputPathOverride.empty()) {
        gen.SetOutputAVIPath(values.outputPathOverride);
    }
    if (!values.postGenerationShellOverride.empty()) {
        gen.SetPostGenerationShell(values.postGenerationShellOverride);
    }
}

}  // namespace

void ApplyRunOverrides(MovieGen& gen, const CommandLineValues& values) {
    ApplyWindowOverrides(gen, values);
    ApplyPathOverrides(gen, values);
}

}  // namespace chronoreel
