// The scheduler's entry point: the command line and the windows of this build.
#include <string>
#include <vector>

#include "os/display.h"
#include "programs/scheduler/scheduler_main.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    chronoreel::SchedulerWindows windows;
    windows.hasDisplay = chronoreel::EnvironmentHasDisplay();
    return chronoreel::SchedulerMain(arguments, windows);
}
