#pragma once

#include <exception>
#include <functional>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>

#include "base/app_error.h"

namespace chronoreel {

// Where an unexpected error happened and what it was.
struct ErrorDetails {
    std::string module;     // "MovieGen", "modTime", "INI", ...
    std::string procedure;  // "GetSunset", "FormatBytes_Get", ...
    int line = 0;           // source line, 0 when not known
    int code = 0;           // error number
    std::string description;
};

// The eight lines of the report, joined by "\n" (no newline after the last).
std::string BuildErrorReport(const ErrorDetails& details);

// Title of the report's message box.
inline constexpr std::string_view kErrorReportTitle = "Error Debug Report";

// Shows a finished report (title, text). The programs install a message box when there is a
// display; without one the report goes to standard error. Must return (the program then ends).
using ErrorPresenter = std::function<void(std::string_view title, std::string_view text)>;
void SetErrorPresenter(ErrorPresenter presenter);
// The presenter in place until another is installed: the title and the text on standard error.
void WriteErrorReportToStandardError(std::string_view title, std::string_view text);

// Shows the report through the installed presenter and ends the process at once with exit
// code 70: no destructor, no saving, no further code of the caller.
[[noreturn]] void ReportError(const ErrorDetails& details);

// What ReportError does last, after the report and the cleanups: nothing by default, so that
// the process ends with exit code 70. A harness that feeds thousands of inputs to one process
// (the fuzzing targets) installs an ending that throws instead, which makes a reported input one
// outcome among others; the ending must not return. Null restores the default.
using ErrorReportEnding = void (*)(const ErrorDetails& details);
void SetErrorReportEnding(ErrorReportEnding ending);

// Work that must still happen when an error report ends the program at once, such as removing a
// temporary file that would otherwise be left behind. Registered while the object lives.
class ReportExitCleanup {
  public:
    explicit ReportExitCleanup(std::function<void()> action);
    ~ReportExitCleanup();
    ReportExitCleanup(const ReportExitCleanup&) = delete;
    ReportExitCleanup& operator=(const ReportExitCleanup&) = delete;

  private:
    friend void ReportError(const ErrorDetails& details);
    std::function<void()> action_;
};

// Runs body; an exception escaping it ends the program through ReportError naming module and
// procedure. The line is the caller's (where Trap was written).
template <class Body>
decltype(auto) Trap(std::string_view module, std::string_view procedure, Body&& body,
                    std::source_location where = std::source_location::current()) {
    try {
        return std::forward<Body>(body)();
    } catch (const AppError& e) {
        ReportError({std::string(module), std::string(procedure), static_cast<int>(where.line()),
                     e.Code(), e.what()});
    } catch (const std::bad_alloc&) {
        ReportError({std::string(module), std::string(procedure), static_cast<int>(where.line()),
                     kErrOutOfMemory, "Out of memory"});
    } catch (const std::exception& e) {
        ReportError({std::string(module), std::string(procedure), static_cast<int>(where.line()),
                     kErrInternal, e.what()});
    }
}

}  // namespace chronoreel
