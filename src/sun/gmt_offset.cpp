#include "sun/gmt_offset.h"

#include <time.h>

#include "base/app_error.h"
#include "base/error_report.h"

namespace chronoreel {

double GMTOffsetAt(std::chrono::system_clock::time_point instant) {
    return Trap("modTime", "GMTOffset", [instant] {
        const time_t seconds = std::chrono::system_clock::to_time_t(instant);
        tm local{};
        if (localtime_r(&seconds, &local) == nullptr) {
            throw AppError(kErrInternal, "The local time zone cannot be read");
        }
        // tm_gmtoff is local minus UTC in seconds, daylight saving included.
        return -static_cast<double>(local.tm_gmtoff) / 3600.0;
    });
}

double GMTOffset() {
    return GMTOffsetAt(std::chrono::system_clock::now());
}

}  // namespace chronoreel
