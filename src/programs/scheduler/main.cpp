// The scheduler's entry point.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "base/exit_codes.h"
#include "base/numbers.h"
#include "programs/scheduler/headless.h"
#include "programs/scheduler/program_paths.h"
#include "programs/scheduler/scheduler_options.h"

namespace {

// Numbers the user reads (the schedule's description) follow the locale's decimal separator;
// everything else keeps the C locale.
void FixDecimalSeparator() {
    std::setlocale(LC_NUMERIC, "");
    chronoreel::SetDecimalComma(chronoreel::LocaleUsesDecimalComma());
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace

int main(int argc, char** argv) {
    using chronoreel::SchedulerOptions;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const SchedulerOptions options = chronoreel::ParseSchedulerOptions(arguments);
    switch (options.mode) {
        case SchedulerOptions::Mode::kHelp:
            std::fputs(chronoreel::SchedulerHelpText().c_str(), stdout);
            return 0;
        case SchedulerOptions::Mode::kVersion:
            std::fputs(chronoreel::SchedulerVersionText().c_str(), stdout);
            return 0;
        case SchedulerOptions::Mode::kUsageError:
            std::fprintf(stderr, "chronoreel-scheduler: %s\n%s", options.error.c_str(),
                         chronoreel::SchedulerHelpText().c_str());
            return chronoreel::kExitUsage;
        case SchedulerOptions::Mode::kHeadless:
            FixDecimalSeparator();
            return chronoreel::RunHeadless(chronoreel::TaskFilePathFor(options.taskFile),
                                           chronoreel::DefaultChronoreelPath());
        case SchedulerOptions::Mode::kWindow:
            break;
    }
    std::fputs(
        "chronoreel-scheduler: this build has no scheduler window yet; run it with --headless\n",
        stderr);
    return chronoreel::kExitUsage;
}
