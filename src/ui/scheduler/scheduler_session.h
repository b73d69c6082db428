#pragma once

namespace chronoreel {
class Clock;
class Launcher;
class Prompter;
struct SchedulerStart;
}  // namespace chronoreel

namespace chronoreel::ui::scheduler {

// The scheduler with its window, in the application's event loop: loads the task file, shows
// the window and its notification-area icon and lets the timer drive the engine until the
// window closes (the menu, the icon's "&Exit", SIGINT, SIGTERM or the end of the desktop
// session), which saves the tasks and leaves running movie makers running. The caller holds
// the task file's lock. Returns the exit code (0).
int RunSchedulerSession(const SchedulerStart& start, Prompter& prompter, Launcher& launcher,
                        const Clock& clock);

}  // namespace chronoreel::ui::scheduler
