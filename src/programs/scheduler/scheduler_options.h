#pragma once

#include <string>
#include <vector>

namespace chronoreel {

// What the scheduler program was asked to do.
struct SchedulerOptions {
    enum class Mode { kWindow, kHeadless, kHelp, kVersion, kUsageError };
    Mode mode = Mode::kWindow;
    std::string taskFile;  // as given; empty for the default
    std::string error;     // for kUsageError
};

// Reads the arguments after the program name: --headless, --task-file PATH (or
// --task-file=PATH), --help, --version. --help and --version win over everything else.
SchedulerOptions ParseSchedulerOptions(const std::vector<std::string>& arguments);

std::string SchedulerHelpText();
std::string SchedulerVersionText();

}  // namespace chronoreel
