#pragma once

namespace chronoreel {

class MovieGen;
struct CommandLineValues;

// The overrides of an unattended run (and its dry run) replace the setup's settings for this
// run only:
// - a start override makes the window start at that date-time (and, without a stop override,
//   end on 2173-10-14, an open end); a stop override makes it end there (and, without a start
//   override, start on 1899-12-30, an open start); either one switches the time window on;
// - each non-empty path override replaces the still directory, the image filter, the output
//   movie path or the post-generation command.
void ApplyRunOverrides(MovieGen& gen, const CommandLineValues& values);

}  // namespace chronoreel
