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
    // Tells the person at the display why the window does not open (another scheduler holds
    // the task file, say). Empty: standard error alone says it.
    std::function<void(const std::string& text)> showRefusal;
};

// The scheduler's entry point: reads the arguments after the program name, then prints the help
// or the version, runs headless, or opens the window. Either way the scheduler first claims its
// task file (ClaimTaskFile) and ends when it cannot. Returns the exit code.
int SchedulerMain(const std::vector<std::string>& arguments, const SchedulerWindows& windows);

}  // namespace chronoreel
