// The scheduler's entry point: the command line and the windows of this build.
#include <chrono>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/prompter.h"
#include "os/display.h"
#include "programs/scheduler/scheduler_main.h"
#include "scheduler/launcher.h"
#include "scheduler/scheduler_start.h"
#include "ui/common/gui_application.h"
#include "ui/common/qt_prompter.h"
#include "ui/scheduler/scheduler_session.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    // The application is made only when a window opens: headless never connects to a display.
    chronoreel::ui::GuiApplication gui(argc, argv);
    chronoreel::ui::QtPrompter prompter;
    chronoreel::SchedulerWindows windows;
    windows.hasDisplay =
        chronoreel::EnvironmentHasDisplay() || chronoreel::ui::QtPlatformNeedsNoDisplay();
    windows.runWindow = [&](const chronoreel::SchedulerStart& start) {
        gui.Ensure();
        const chronoreel::SystemClock clock;
        // The window's tick looks at the movie makers without waiting for them.
        chronoreel::ChildProcessLauncher launcher(std::chrono::milliseconds(0));
        return chronoreel::ui::scheduler::RunSchedulerSession(start, prompter, launcher, clock);
    };
    windows.showRefusal = [&](const std::string& text) {
        gui.Ensure();
        prompter.Message(text, "Chronoreel Scheduler", chronoreel::MessageButtons::kOk,
                         chronoreel::MessageIcon::kExclamation);
    };
    return chronoreel::SchedulerMain(arguments, windows);
}
