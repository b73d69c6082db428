#include "programs/scheduler/scheduler_main.h"

#include <clocale>
#include <cstdio>

#include "base/exit_codes.h"
#include "base/numbers.h"
#include "base/text.h"
#include "programs/scheduler/headless.h"
#include "programs/scheduler/program_paths.h"
#include "programs/scheduler/scheduler_options.h"
#include "programs/scheduler/task_file_claim.h"
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

// A message of the claim as a sentence of its own for a message box.
std::string CapitalisedSentence(std::string text) {
    if (!text.empty()) {
        text[0] = ToUpperAscii(text[0]);
        text += '.';
    }
    return text;
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
        case SchedulerOptions::Mode::kWindow:
            break;
    }
    const bool headless = options.mode == SchedulerOptions::Mode::kHeadless;
    if (!headless && !windows.runWindow) {
        std::fputs(
            "chronoreel-scheduler: this build has no scheduler window; run it with --headless\n",
            stderr);
        return kExitUsage;
    }
    const std::string taskFilePath = TaskFilePathFor(options.taskFile);
    // Held until the scheduler ends.
    const TaskFileClaim claim = ClaimTaskFile(taskFilePath);
    if (!claim.lock) {
        std::fprintf(stderr, "chronoreel-scheduler: %s\n", claim.message.c_str());
        if (!headless && windows.hasDisplay && windows.showRefusal) {
            windows.showRefusal(CapitalisedSentence(claim.message));
        }
        return claim.exitCode;
    }
    FixDecimalSeparator();
    if (headless) {
        return RunHeadless(taskFilePath, DefaultChronoreelPath());
    }
    if (!windows.hasDisplay) {
        std::fputs("chronoreel-scheduler: no display found; run it with --headless on a server\n",
                   stderr);
        return kExitUsage;
    }
    return windows.runWindow({taskFilePath, DefaultChronoreelPath()});
}

}  // namespace chronoreel
