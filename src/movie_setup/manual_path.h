#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace chronoreel {

// The places of the user manual, in the order they are tried: beside the program in a build
// tree (<folder>/docs/Chronoreel/index.htm), then where an installation puts it
// (<folder>/../share/doc/chronoreel/Chronoreel/index.htm). programFolder is the folder of the
// running program.
std::vector<std::filesystem::path> ManualCandidates(const std::filesystem::path& programFolder);

// The first place that holds the manual, or nothing.
std::optional<std::filesystem::path> FindManual(const std::filesystem::path& programFolder);

}  // namespace chronoreel
