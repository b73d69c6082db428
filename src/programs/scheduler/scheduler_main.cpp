#include "programs/scheduler/scheduler_main.h"

#include <clocale>
#include <cstdio>

#include "base/exit_codes.h"
#include "base/numbers.h"
#include "programs/scheduler/headless.h"
#include "programs/scheduler/program_paths.h"
#include "programs/scheduler/scheduler_options.h"
#include "scheduler/scheduler_start.h"

namespace chronoreel {
namespace {

// Numbers the user reads (the schedule's description) follow the locale's decimal separator;
// everything else keeps the C locale.
void FixDecimalSeparator() {
    std::setlocale(LC_NUMERIC, "");
    SetDecimalComma(LocaleUsesDecimalComma());
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace

int SchedulerMain(const std::vector<std::string>& arguments, const SchedulerWindows& windows) {
    const SchedulerOptions options = ParseSchedulerOptions(arguments);
    switch (options.mode) {
        case SchedulerOptions::Mode::kHelp:
            std::fputs(SchedulerHelpText().c_str(), stdout);
            return 0;
        case SchedulerOptions::Mode::kVersion:
            std::fputs(SchedulerVersionText().c_str(), stdout);
            return 0;
        case SchedulerOptions::Mode::kUsageError:
            std::fprintf(stderr, "chronoreel-scheduler: %s\n%s", options.error.c_str(),
                         SchedulerHelpText().c_str());
            return kExitUsage;
        case SchedulerOptions::Mode::kHeadless:
            FixDecimalSeparator();
            return RunHeadless(TaskFilePathFor(options.taskFile), DefaultChronoreelPath());
        case SchedulerOptions::Mode::kWindow:
            break;
    }
    if (!windows.runWindow) {
        std::fputs(
            "chronoreel-scheduler: this build has no scheduler window yet; run it with "
            "--headless\n",
            stderr);
        return kExitUsage;
    }
    if (!windows.hasDisplay) {
        std::fputs("chronoreel-scheduler: no display found; run it with --headless on a server\n",
                   stderr);
        return kExitUsage;
    }
    FixDecimalSeparator();
    return windows.runWindow({TaskFilePathFor(options.taskFile), DefaultChronoreelPath()});
}

}  // namespace chronoreel
