#pragma once

#include <string>

namespace chronoreel {

inline constexpr const char* kTaskFileName = "ChronoreelScheduler.INI";

// The folder of the running executable (from /proc/self/exe); "" when it cannot be found.
std::string ExecutableFolder();
// The movie maker the scheduler starts when the task file names none: the "chronoreel"
// executable beside the scheduler's own.
std::string DefaultChronoreelPath();
// The task file: the given path made absolute against the current directory, or
// ChronoreelScheduler.INI in the current directory when none is given.
std::string TaskFilePathFor(const std::string& given);

}  // namespace chronoreel
