#include "sun/gmt_offset.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/tz_guard.h"

namespace chronoreel {
namespace {

using std::chrono::sys_days;
using std::chrono::system_clock;
using namespace std::chrono_literals;

system_clock::time_point UtcNoon(std::chrono::year_month_day day) {
    return sys_days(day) + 12h;
}

TEST(GMTOffset, GivesHoursFromLocalTimeToUtcWithDaylightSaving) {
    using std::chrono::January;
    using std::chrono::July;
    struct Case {
        const char* zone;
        system_clock::time_point instant;
        double expected;
    };
    const Case cases[] = {
        {"America/New_York", UtcNoon(2024y / January / 15), 5},
        {"America/New_York", UtcNoon(2024y / July / 15), 4},
        {"Europe/Berlin", UtcNoon(2024y / January / 15), -1},
        {"Europe/Berlin", UtcNoon(2024y / July / 15), -2},
        {"Australia/Sydney", UtcNoon(2024y / January / 15), -11},
        {"Australia/Sydney", UtcNoon(2024y / July / 15), -10},
        {"Asia/Kolkata", UtcNoon(2024y / July / 15), -5.5},
        {"UTC", UtcNoon(2024y / July / 15), 0},
        // New York's clocks went forward at 07:00 UTC on 10 March 2024.
        {"America/New_York", sys_days(2024y / std::chrono::March / 10) + 6h + 59min, 5},
        {"America/New_York", sys_days(2024y / std::chrono::March / 10) + 7h, 4},
    };
    for (const Case& c : cases) {
        const testing::TzGuard zone(c.zone);
        EXPECT_EQ(GMTOffsetAt(c.instant), c.expected) << c.zone;
    }
}

TEST(GMTOffset, ReadsTheZoneAtTheMomentOfTheCall) {
    {
        const testing::TzGuard zone("UTC");
        EXPECT_EQ(GMTOffset(), 0);
    }
    const testing::TzGuard zone("Asia/Kolkata");
    EXPECT_EQ(GMTOffset(), -5.5);
}

}  // namespace
}  // namespace chronoreel
