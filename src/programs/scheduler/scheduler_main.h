#pragma once

#include <functional>
#include <string>
#include <vector>

namespace chronoreel {

struct SchedulerStart;

// What the windows lend the scheduler. A build without windows leaves every member empty.
struct SchedulerWindows {
    bool hasDisplay = false;  // a display the window can open on
    // The task window and its notification-area icon until the user ends the program; gives
    // the exit code. Empty: this build has no scheduler window.
    std::function<int(const SchedulerStart&)> runWindow;
};

// The scheduler's entry point: reads the arguments after the program name, then prints the help
// or the version, runs headless, or opens the window. Returns the exit code.
int SchedulerMain(const std::vector<std::string>& arguments, const SchedulerWindows& windows);

}  // namespace chronoreel
