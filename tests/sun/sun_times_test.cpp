#include "sun/sun_times.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/date_time.h"

namespace chronoreel {
namespace {

constexpr double kMinute = 1.0 / 1440.0;

double TimeOfDay(int hour, int minute, int second = 0) {
    return (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
}

TEST(NormalizeAngle, ReducesIntoOneTurn) {
    const double turn = 6.28318530717958;
    struct Case {
        double angle;
        double expected;
    };
    const Case cases[] = {
        {0.0, 0.0},
        {1.0, 1.0},
        {turn + 1.0, 1.0},
        {-1.0, turn - 1},
        {-turn - 1.0, turn - 1},
        {10 * turn + 0.5, 0.5},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(NormalizeAngle(c.angle), c.expected, 1e-9) << c.angle;
    }
}

// Published sunrise and sunset times (local clock time) for a few places; the method is a
// low-precision one, so a couple of minutes either way is expected. The eastern and western
// places also carry results that leave [0, 1) before the final step: Sydney's sunrise is the
// previous Greenwich day (above 1), Honolulu's sunset the next one (below 0).
TEST(GetSunset, MatchesPublishedTimesAtRealPlaces) {
    struct Case {
        const char* place;
        double latitude;
        double longitude;
        double gmtOffset;
        int year, month, day;
        double sunrise;
        double sunset;
    };
    const Case cases[] = {
        {"New York", 40.7128, -74.0060, 5, 2024, 1, 1, TimeOfDay(7, 20), TimeOfDay(16, 38)},
        {"Greenwich in summer time", 51.4779, 0.0, -1, 2024, 6, 21, TimeOfDay(4, 42),
         TimeOfDay(21, 21)},
        {"Berlin", 52.52, 13.405, -1, 2024, 3, 1, TimeOfDay(6, 53), TimeOfDay(17, 46)},
        {"Sydney", -33.8688, 151.2093, -11, 2024, 1, 1, TimeOfDay(5, 47), TimeOfDay(20, 9)},
        {"Honolulu", 21.3069, -157.8583, 10, 2024, 1, 1, TimeOfDay(7, 9), TimeOfDay(18, 0)},
    };
    for (const Case& c : cases) {
        const DateTime date = MakeDateTime(c.year, c.month, c.day);
        const double sunrise = GetSunset(c.latitude, c.longitude, c.gmtOffset, "R", date);
        const double sunset = GetSunset(c.latitude, c.longitude, c.gmtOffset, "S", date);
        EXPECT_NEAR(sunrise, c.sunrise, 3 * kMinute) << c.place;
        EXPECT_NEAR(sunset, c.sunset, 3 * kMinute) << c.place;
        for (const double value : {sunrise, sunset}) {
            EXPECT_GE(value, 0.0) << c.place;
            EXPECT_LT(value, 1.0) << c.place;
        }
    }
}

// On the equator at Greenwich the day is twelve hours long around a noon that the equation of
// time moves: early in November the sun is about 16 minutes early, in February 14 minutes late.
TEST(GetSunset, FollowsTheEquationOfTimeAtTheEquator) {
    struct Case {
        int month, day;
        double noon;
    };
    const Case cases[] = {{11, 3, TimeOfDay(11, 43, 40)}, {2, 11, TimeOfDay(12, 14, 11)}};
    for (const Case& c : cases) {
        const DateTime date = MakeDateTime(2024, c.month, c.day);
        const double sunrise = GetSunset(0, 0, 0, "R", date);
        const double sunset = GetSunset(0, 0, 0, "S", date);
        EXPECT_NEAR(sunrise, 0.25, 25 * kMinute) << c.month;
        EXPECT_NEAR(sunset, 0.75, 25 * kMinute) << c.month;
        EXPECT_GT(std::fabs(sunrise - 0.25), 5 * kMinute) << c.month;
        EXPECT_NEAR((sunrise + sunset) / 2, c.noon, kMinute) << c.month;
    }
}

TEST(GetSunset, GivesZeroBeyondSixtyThreeDegreesAndComputesAtTheLimit) {
    const DateTime midsummer = MakeDateTime(2024, 6, 21);
    const DateTime midwinter = MakeDateTime(2024, 12, 21);
    for (const double latitude : {63.5, -63.0001, -70.0, 89.0}) {
        for (const char* kind : {"R", "S"}) {
            EXPECT_EQ(GetSunset(latitude, 10, -1, kind, midsummer), 0.0) << latitude << kind;
        }
    }
    // At exactly 63 degrees the sun still rises and sets, on both solstices and both sides.
    struct Case {
        double latitude;
        double gmtOffset;
        DateTime date;
        double sunrise;
        double sunset;
    };
    const Case cases[] = {
        {63, -2, midsummer, TimeOfDay(3, 12), TimeOfDay(23, 31)},
        {63, -1, midwinter, TimeOfDay(9, 57), TimeOfDay(14, 40)},
        {-63, -1, midsummer, TimeOfDay(10, 1), TimeOfDay(14, 43)},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(GetSunset(c.latitude, 10, c.gmtOffset, "R", c.date), c.sunrise, 3 * kMinute)
            << c.latitude;
        EXPECT_NEAR(GetSunset(c.latitude, 10, c.gmtOffset, "S", c.date), c.sunset, 3 * kMinute)
            << c.latitude;
    }
}

TEST(GetSunset, OnlyAnSSelectsSunset) {
    const DateTime date = MakeDateTime(2024, 3, 1);
    const double sunrise = GetSunset(52.52, 13.405, -1, "R", date);
    const double sunset = GetSunset(52.52, 13.405, -1, "S", date);
    ASSERT_NE(sunrise, sunset);
    struct Case {
        std::string kind;
        double expected;
    };
    const Case cases[] = {{"S", sunset}, {"s", sunset},   {"R", sunrise}, {"X", sunrise},
                          {"", sunrise}, {"SS", sunrise}, {"r", sunrise}, {"Sunset", sunrise}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetSunset(52.52, 13.405, -1, c.kind, date), c.expected) << '"' << c.kind << '"';
    }
}

TEST(GetSunset, UsesOnlyTheWholeDayOfTheDate) {
    const DateTime date = MakeDateTime(2024, 3, 1);
    for (const double timeOfDay : {0.0, 0.25, 0.5, 0.999}) {
        EXPECT_EQ(GetSunset(40.7128, -74.006, 5, "R", date + timeOfDay),
                  GetSunset(40.7128, -74.006, 5, "R", date))
            << timeOfDay;
    }
}

// Inputs that break the arithmetic end the calculation quietly with 0, never with a report.
TEST(GetSunset, GivesZeroWhenTheCalculationFails) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const DateTime date = MakeDateTime(2024, 3, 1);
    EXPECT_EQ(GetSunset(nan, 0, 0, "R", date), 0.0);
    EXPECT_EQ(GetSunset(45, infinity, 0, "R", date), 0.0);
    EXPECT_EQ(GetSunset(45, nan, 0, "S", date), 0.0);
    EXPECT_EQ(GetSunset(45, 0, nan, "S", date), 0.0);
    EXPECT_EQ(GetSunset(45, 0, 0, "R", infinity), 0.0);
}

class FakeClock : public Clock {
  public:
    DateTime now = 0.0;
    DateTime Now() const override { return now; }
};

// Counts the offset look-ups: each computation of a sun time asks once.
struct CountingOffset {
    int calls = 0;
    double hours = -1.0;
    SunTimes::OffsetProvider Provider() {
        return [this] {
            ++calls;
            return hours;
        };
    }
};

class SunTimesTest : public ::testing::Test {
  protected:
    SunTimesTest() : sun(clock, offset.Provider()) {
        clock.now = MakeDateTime(2024, 3, 1, 8, 30);
        sun.SetLocation(berlin);
    }

    const Location berlin{52.52, 13.405};
    FakeClock clock;
    CountingOffset offset;
    SunTimes sun;
};

TEST_F(SunTimesTest, ComputesBothTimesOnceADay) {
    const DateTime today = MakeDateTime(2024, 3, 1);
    const double sunrise = sun.Sunrise();
    EXPECT_EQ(offset.calls, 2);  // sunrise and sunset together, each with its own offset
    EXPECT_EQ(sunrise, GetSunset(berlin.latitude, berlin.longitude, -1, "R", today));

    clock.now = MakeDateTime(2024, 3, 1, 23, 59, 59);
    offset.hours = -2;  // a change of offset within the day does not refresh the cache
    EXPECT_EQ(sun.Sunrise(), sunrise);
    EXPECT_EQ(sun.Sunset(), GetSunset(berlin.latitude, berlin.longitude, -1, "S", today));
    EXPECT_EQ(offset.calls, 2);

    clock.now = MakeDateTime(2024, 3, 2, 0, 0, 1);
    const double nextSunset = sun.Sunset();
    EXPECT_EQ(offset.calls, 4);
    EXPECT_EQ(nextSunset,
              GetSunset(berlin.latitude, berlin.longitude, -2, "S", MakeDateTime(2024, 3, 2)));
}

TEST_F(SunTimesTest, RecomputesForTheNewLocationAfterClearCache) {
    const double berlinSunrise = sun.Sunrise();
    const Location newYork{40.7128, -74.006};
    sun.SetLocation(newYork);
    EXPECT_EQ(sun.Sunrise(), berlinSunrise);  // the location window empties the cache itself
    EXPECT_EQ(offset.calls, 2);

    sun.ClearCache();
    offset.hours = 5;
    EXPECT_EQ(sun.Sunrise(),
              GetSunset(newYork.latitude, newYork.longitude, 5, "R", MakeDateTime(2024, 3, 1)));
    EXPECT_EQ(offset.calls, 4);
}

}  // namespace
}  // namespace chronoreel
