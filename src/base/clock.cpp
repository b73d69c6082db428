#include "base/clock.h"

#include <time.h>

#include <cerrno>
#include <string>

#include "base/app_error.h"
#include "base/error_report.h"

namespace chronoreel {

// One reading of the real-time clock gives the whole seconds and their fraction together, so the
// date and the fraction always belong to the same instant: there is no second boundary between
// two readings to reconcile.
DateTime SystemClock::Now() const {
    return Trap("modTime", "Clock", [] {
        timespec now{};
        if (clock_gettime(CLOCK_REALTIME, &now) != 0) {
            throw AppError(kErrInternal,
                           "The system clock cannot be read (errno " + std::to_string(errno) + ")");
        }
        tm local{};
        if (localtime_r(&now.tv_sec, &local) == nullptr) {
            throw AppError(kErrInternal, "The system clock is outside the calendar");
        }
        const double second = local.tm_sec + static_cast<double>(now.tv_nsec) / 1e9;
        return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min, second);
    });
}

}  // namespace chronoreel
