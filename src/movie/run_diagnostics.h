#pragma once

#include <cstddef>
#include <string>

#include "imaging/frame_renderer.h"
#include "movie/frame_selection.h"
#include "movie/post_generation.h"

namespace chronoreel {

// The lines a run without windows writes on standard error, so that it never ends without a
// movie, or skips a still, in silence.

// "no file matching *.jpg in /srv/cam/ (the folder does not exist)".
std::string NoFilesLine(const std::string& stillDirectory, const std::string& imageFilter);

// "none of 1440 images met the time window 2026-12-10 06:00 to 18:00".
std::string NothingSelectedLine(std::size_t imageCount, const TimeWindow& window);

// "none of the 12 selected stills could be used".
std::string NothingDecodedLine(std::size_t frameCount);

// "skipped /srv/cam/x.jpg: is damaged or half-written".
std::string SkippedStillLine(const std::string& path, FrameSkip reason);

// How a post-generation command ended when that was not well: "the post-generation command
// ended with exit code 2: sh -c ..." or "... was ended by signal 9: ...". Empty when it ended
// with 0, was not run, or was given up on.
std::string PostCommandEndLine(const PostCommandResult& result);

}  // namespace chronoreel
