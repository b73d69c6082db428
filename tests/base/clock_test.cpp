#include "base/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "sun/gmt_offset.h"
#include "support/tz_guard.h"

namespace chronoreel {
namespace {

// Days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;

double UtcNowAsDateTime() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpochDays + std::chrono::duration<double>(now).count() / kSecondsPerDay;
}

TEST(SystemClock, GivesLocalTimeOfTheZone) {
    const SystemClock clock;
    const double secondInDays = 1.0 / kSecondsPerDay;
    for (const char* zone : {"UTC", "America/New_York", "Asia/Kolkata"}) {
        const testing::TzGuard guard(zone);
        const double utc = UtcNowAsDateTime();
        const double local = clock.Now();
        EXPECT_NEAR(local + GMTOffset() / 24.0, utc, 2 * secondInDays) << zone;
    }
}

TEST(SystemClock, ResolvesFractionsOfASecond) {
    const SystemClock clock;
    bool sawFraction = false;
    for (int reading = 0; reading < 5 && !sawFraction; ++reading) {
        const double seconds = clock.Now() * kSecondsPerDay;
        sawFraction = std::fabs(seconds - std::round(seconds)) > 1e-4;
    }
    EXPECT_TRUE(sawFraction);
}

}  // namespace
}  // namespace chronoreel
