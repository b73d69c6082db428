#include "programs/scheduler/scheduler_options.h"

#include <string_view>

namespace chronoreel {

SchedulerOptions ParseSchedulerOptions(const std::vector<std::string>& arguments) {
    SchedulerOptions options;
    bool headless = false;
    bool help = false;
    bool version = false;
    std::string error;
    constexpr std::string_view kTaskFileSwitch = "--task-file";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--headless") {
            headless = true;
        } else if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == kTaskFileSwitch) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                error = "--task-file needs a path";
            } else {
                options.taskFile = arguments[++i];
            }
        } else if (argument.starts_with(std::string(kTaskFileSwitch) + "=")) {
            options.taskFile = argument.substr(kTaskFileSwitch.size() + 1);
            if (options.taskFile.empty()) {
                error = "--task-file needs a path";
            }
        } else if (error.empty()) {
            error = "unknown argument: " + argument;
        }
    }
    if (help) {
        options.mode = SchedulerOptions::Mode::kHelp;
    } else if (version) {
        options.mode = SchedulerOptions::Mode::kVersion;
    } else if (!error.empty()) {
        options.mode = SchedulerOptions::Mode::kUsageError;
        options.error = error;
    } else {
        options.mode =
            headless ? SchedulerOptions::Mode::kHeadless : SchedulerOptions::Mode::kWindow;
    }
    return options;
}

std::string SchedulerHelpText() {
    return "Usage: chronoreel-scheduler [--headless] [--task-file PATH]\n"
           "Starts the movie maker (chronoreel) unattended at the minutes each task names.\n"
           "\n"
           "  --headless          run without any window: one line per run on standard output\n"
           "                      (queued, started, ended); SIGINT or SIGTERM saves the tasks\n"
           "                      and ends the scheduler, leaving running movie makers running\n"
           "  --task-file PATH    the task file (default: ChronoreelScheduler.INI in the\n"
           "                      current directory)\n"
           "  --help              show this text\n"
           "  --version           show the version\n";
}

std::string SchedulerVersionText() {
    return std::string("chronoreel-scheduler ") + CHRONOREEL_VERSION + "\n";
}

}  // namespace chronoreel
