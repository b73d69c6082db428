#pragma once

#include <string>

namespace chronoreel::testing {

// Runs a shell command line and returns what it wrote on standard output (empty when it could
// not be started). Tests use it to let ffmpeg and ffprobe read the movies.
std::string RunCommand(const std::string& command);

}  // namespace chronoreel::testing
