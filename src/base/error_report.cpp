#include "base/error_report.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "base/exit_codes.h"

namespace chronoreel {
namespace {

// Where users report problems: the README's section of that name.
constexpr std::string_view kSupportContact = "see \"Reporting problems\" in Chronoreel's README.md";

ErrorPresenter& Presenter() {
    static ErrorPresenter presenter = WriteErrorReportToStandardError;
    return presenter;
}

std::atomic<ErrorReportEnding>& Ending() {
    static std::atomic<ErrorReportEnding> ending{nullptr};
    return ending;
}

std::mutex& CleanupMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<ReportExitCleanup*>& Cleanups() {
    static std::vector<ReportExitCleanup*> cleanups;
    return cleanups;
}

}  // namespace

void WriteErrorReportToStandardError(std::string_view title, std::string_view text) {
    std::fprintf(stderr, "%.*s\n%.*s\n", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

ReportExitCleanup::ReportExitCleanup(std::function<void()> action) : action_(std::move(action)) {
    const std::lock_guard lock(CleanupMutex());
    Cleanups().push_back(this);
}

ReportExitCleanup::~ReportExitCleanup() {
    const std::lock_guard lock(CleanupMutex());
    auto& cleanups = Cleanups();
    cleanups.erase(std::remove(cleanups.begin(), cleanups.end(), this), cleanups.end());
}

std::string BuildErrorReport(const ErrorDetails& details) {
    std::string text;
    text += "Error Detected\n";
    text += "Please contact Technical Support (";
    text += kSupportContact;
    text += ")\n";
    text += "with this information:\n";
    text += "Module: " + details.module + "\n";
    text += "Procedure: " + details.procedure + "\n";
    text += "Line #: " + std::to_string(details.line) + "\n";
    text += "Error #: " + std::to_string(details.code) + "\n";
    text += "Error Description: " + details.description;
    return text;
}

void SetErrorPresenter(ErrorPresenter presenter) {
    Presenter() =
        presenter ? std::move(presenter) : ErrorPresenter(WriteErrorReportToStandardError);
}

void SetErrorReportEnding(ErrorReportEnding ending) {
    Ending().store(ending);
}

void ReportError(const ErrorDetails& details) {
    // A second error while reporting (from another thread or inside the presenter) must not
    // report again: the first one ends the program.
    static std::once_flag reporting;
    bool first = false;
    std::call_once(reporting, [&] { first = true; });
    if (first) {
        try {
            Presenter()(kErrorReportTitle, BuildErrorReport(details));
        } catch (...) {
            // An error inside the report is not reported again.
        }
    }
    {
        const std::unique_lock lock(CleanupMutex(), std::try_to_lock);
        if (lock.owns_lock()) {
            for (ReportExitCleanup* cleanup : Cleanups()) {
                try {
                    cleanup->action_();
                } catch (...) {
                    // Leave the rest to run.
                }
            }
        }
    }
    std::fflush(stdout);
    if (const ErrorReportEnding ending = Ending().load()) {
        ending(details);
    }
    _exit(kExitUnexpectedError);
}

}  // namespace chronoreel
