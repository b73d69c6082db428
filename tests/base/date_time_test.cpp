#include "base/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>

#include "support/tz_guard.h"

namespace chronoreel {
namespace {

using namespace std::chrono;
using chronoreel::testing::TzGuard;

std::string Describe(const CivilTime& c) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d+%.3f", c.year, c.month, c.day,
                  c.hour, c.minute, c.second, c.subsecond);
    return text;
}

sys_seconds Utc(year_month_day date, int hour, int minute, int second = 0) {
    return sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
}

TEST(DateTime, CalendarArithmeticBothWays) {
    const struct {
        DateTime value;
        CivilTime civil;
    } cases[] = {
        {0.0, {1899, 12, 30, 0, 0, 0}},
        {0.5, {1899, 12, 30, 12, 0, 0}},
        {1.0, {1899, 12, 31, 0, 0, 0}},
        {2.0, {1900, 1, 1, 0, 0, 0}},
        {60.0, {1900, 2, 28, 0, 0, 0}},  // 1900 is no leap year
        {61.0, {1900, 3, 1, 0, 0, 0}},
        {36526.0, {2000, 1, 1, 0, 0, 0}},
        {36585.0, {2000, 2, 29, 0, 0, 0}},
        {36586.0, {2000, 3, 1, 0, 0, 0}},
        {38748.75, {2006, 1, 31, 18, 0, 0}},
        {2958465.0, {9999, 12, 31, 0, 0, 0}},
        {-657434.0, {100, 1, 1, 0, 0, 0}},
        // Before day 0 the fraction still counts from the day's midnight.
        {-1.0, {1899, 12, 29, 0, 0, 0}},
        {-1.25, {1899, 12, 29, 6, 0, 0}},
        {-1.75, {1899, 12, 29, 18, 0, 0}},
        {-2.5, {1899, 12, 28, 12, 0, 0}},
        {-36522.0, {1800, 1, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Describe(ToCivil(c.value)), Describe(c.civil));
        EXPECT_DOUBLE_EQ(ToDateTime(c.civil), c.value);
        EXPECT_DOUBLE_EQ(MakeDateTime(c.civil.year, c.civil.month, c.civil.day, c.civil.hour),
                         c.value);
    }
}

TEST(DateTime, ValuesBetweenMinusOneAndZeroNameDayZero) {
    EXPECT_EQ(Describe(ToCivil(-0.25)), Describe({1899, 12, 30, 6, 0, 0}));
    EXPECT_DOUBLE_EQ(DatePart(-0.25), 0.0);
    EXPECT_DOUBLE_EQ(TimePart(-0.25), 0.25);
}

TEST(DateTime, SplitsIntoDateAndTimeParts) {
    const struct {
        DateTime value;
        double date;
        double time;
    } cases[] = {
        {38748.75, 38748.0, 0.75},
        {0.25, 0.0, 0.25},
        {-1.25, -1.0, 0.25},
        {-3.0, -3.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_DOUBLE_EQ(DatePart(c.value), c.date);
        EXPECT_DOUBLE_EQ(TimePart(c.value), c.time);
    }
}

TEST(DateTime, BuildingNormalisesFieldsOutOfRange) {
    const struct {
        DateTime built;
        DateTime expected;
    } cases[] = {
        {MakeDateTime(2006, 13, 1), MakeDateTime(2007, 1, 1)},
        {MakeDateTime(2006, 0, 1), MakeDateTime(2005, 12, 1)},
        {MakeDateTime(2006, 3, 0), MakeDateTime(2006, 2, 28)},
        {MakeDateTime(2006, 1, 31, 24, 0), MakeDateTime(2006, 2, 1)},
        {MakeDateTime(2006, 1, 1, -6, 0), MakeDateTime(2005, 12, 31, 18, 0)},
        {MakeDateTime(2006, 1, 1, 0, 90), MakeDateTime(2006, 1, 1, 1, 30)},
        {MakeDateTime(1899, 12, 29, -6, 0), -2.75},  // 1899-12-28 18:00
        {MakeDateTime(1899, 12, 30, -6, 0), -1.75},  // 1899-12-29 18:00
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_DOUBLE_EQ(c.built, c.expected);
    }
}

TEST(DateTime, CivilTimeRoundsToTheMillisecond) {
    EXPECT_EQ(Describe(ToCivil(0.5 - 1e-10)), Describe({1899, 12, 30, 12, 0, 0}));
    EXPECT_EQ(Describe(ToCivil(MakeDateTime(2006, 1, 31, 23, 59, 59.9996))),
              Describe({2006, 2, 1, 0, 0, 0}));
    EXPECT_EQ(Describe(ToCivil(MakeDateTime(2006, 1, 31, 18, 5, 9.25))),
              Describe({2006, 1, 31, 18, 5, 9, 0.25}));
    EXPECT_EQ(Describe(ToCivil(-1.25 - 1e-10)), Describe({1899, 12, 29, 6, 0, 0}));
}

TEST(DateTime, ValuesOutsideTheCalendarAreHeldAtItsEnds) {
    EXPECT_EQ(Describe(ToCivil(1e300)).substr(0, 19), "9999-12-31 23:59:59");
    EXPECT_EQ(Describe(ToCivil(-1e300)), Describe({100, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Describe(ToCivil(std::numeric_limits<double>::quiet_NaN())), Describe({}));
    EXPECT_EQ(FormatDateTime(2958465.9999999999, DateTimePattern::kIsoDateTime),
              "9999-12-31 23:59:59");
}

TEST(DateTime, ParsesTheAcceptedForms) {
    const struct {
        const char* text;
        DateTime expected;
    } cases[] = {
        {"2006-01-31 18:05", MakeDateTime(2006, 1, 31, 18, 5)},
        {"2006-01-31 18:05:09", MakeDateTime(2006, 1, 31, 18, 5, 9)},
        {"2006-01-31T18:05:09", MakeDateTime(2006, 1, 31, 18, 5, 9)},
        {"  2006-01-31   18:05:09 \t", MakeDateTime(2006, 1, 31, 18, 5, 9)},
        {"2006-01-31", MakeDateTime(2006, 1, 31)},
        {"2006-1-5", MakeDateTime(2006, 1, 5)},
        {"2000-02-29", MakeDateTime(2000, 2, 29)},
        {"2400-02-29", MakeDateTime(2400, 2, 29)},
        {"2004-02-29 00:00", MakeDateTime(2004, 2, 29)},
        {"1899-12-29 06:00", -1.25},
        {"0100-01-01", -657434.0},
        {"9999-12-31 23:59:59", MakeDateTime(9999, 12, 31, 23, 59, 59)},
        {"01/31/2006", MakeDateTime(2006, 1, 31)},
        {"1/5/2006", MakeDateTime(2006, 1, 5)},
        {"1/31/2006 6:05 pm", MakeDateTime(2006, 1, 31, 18, 5)},
        {"01/31/2006 06:05:09 PM", MakeDateTime(2006, 1, 31, 18, 5, 9)},
        {"01/31/2006 18:05:09", MakeDateTime(2006, 1, 31, 18, 5, 9)},
        {"01/31/2006 12:00:00 AM", MakeDateTime(2006, 1, 31)},
        {"6:05 PM", MakeDateTime(1899, 12, 30, 18, 5)},
        {"6:05PM", MakeDateTime(1899, 12, 30, 18, 5)},
        {"6:05:09 aM", MakeDateTime(1899, 12, 30, 6, 5, 9)},
        {"12:00 AM", 0.0},
        {"12:30 am", MakeDateTime(1899, 12, 30, 0, 30)},
        {"12:00 PM", 0.5},
        {"12:59:59 pm", MakeDateTime(1899, 12, 30, 12, 59, 59)},
        {"0:00", 0.0},
        {"18:05:09", MakeDateTime(1899, 12, 30, 18, 5, 9)},
        {"23:59:59", MakeDateTime(1899, 12, 30, 23, 59, 59)},
        {" 7:5 ", MakeDateTime(1899, 12, 30, 7, 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = ParseDateTime(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_NEAR(*parsed, c.expected, 1e-9);
    }
}

TEST(DateTime, RejectsEveryInvalidField) {
    const char* const cases[] = {
        "",
        "   ",
        "abc",
        "2003-02-30",
        "1900-02-29",
        "2100-02-29",
        "2006-13-01",
        "2006-00-10",
        "2006-01-00",
        "2006-01-32",
        "0099-12-31",
        "02/29/2003",
        "13/01/2006",
        "01/32/2006",
        "0/10/2006",
        "01/31/06",
        "2006/01/31",
        "24:00",
        "12:60",
        "12:00:60",
        "123:00",
        "13:00 PM",
        "12:00 XM",
        "12:00 P",
        "12",
        "12:",
        "12:00:",
        "1:2:3:4",
        "12.30",
        "-1:00",
        "2006-01-31 25:00",
        "2006-01-31 18:05 extra",
        "2006-01-31x",
        "2006-01-3118:05",
        "2006-01-31T",
        "01/31/2006T18:05",
        "20060-01-31",
        "2006-001-31",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseDateTime(text).has_value());
    }
}

TEST(DateTime, FormatsEachPatternRoundingToTheSecond) {
    const DateTime evening = MakeDateTime(2006, 1, 31, 18, 5, 9);
    const struct {
        DateTime value;
        DateTimePattern pattern;
        const char* expected;
    } cases[] = {
        {evening, DateTimePattern::kTimeAmPm, "06:05:09 PM"},
        {evening, DateTimePattern::kDateTimeAmPm, "01/31/2006 06:05:09 PM"},
        {evening, DateTimePattern::kTime24, "18:05:09"},
        {evening, DateTimePattern::kShortTimeAmPm, "6:05 PM"},
        {evening, DateTimePattern::kIsoDateTime, "2006-01-31 18:05:09"},
        {0.5 - 1e-12, DateTimePattern::kTimeAmPm, "12:00:00 PM"},
        {0.5 - 1e-12, DateTimePattern::kTime24, "12:00:00"},
        {0.0, DateTimePattern::kTimeAmPm, "12:00:00 AM"},
        {0.0, DateTimePattern::kShortTimeAmPm, "12:00 AM"},
        {MakeDateTime(2006, 1, 31, 6, 5, 59), DateTimePattern::kShortTimeAmPm, "6:05 AM"},
        {MakeDateTime(2006, 1, 31, 11, 59, 59.4), DateTimePattern::kTimeAmPm, "11:59:59 AM"},
        {MakeDateTime(2006, 1, 31, 23, 59, 59.6), DateTimePattern::kIsoDateTime,
         "2006-02-01 00:00:00"},
        {MakeDateTime(2006, 12, 31, 23, 59, 59.6), DateTimePattern::kDateTimeAmPm,
         "01/01/2007 12:00:00 AM"},
        {-1.25, DateTimePattern::kIsoDateTime, "1899-12-29 06:00:00"},
        {-657434.0, DateTimePattern::kIsoDateTime, "0100-01-01 00:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FormatDateTime(c.value, c.pattern), c.expected);
    }
}

TEST(DateTime, ReadsBackWhatItFormats) {
    const DateTime values[] = {
        MakeDateTime(2006, 1, 31, 18, 5, 9),  MakeDateTime(2024, 2, 29, 0, 0, 0),
        MakeDateTime(2024, 12, 31, 12, 0, 1), MakeDateTime(1999, 7, 4, 23, 59, 59),
        MakeDateTime(1850, 6, 1, 0, 30, 0),
    };
    for (const DateTime value : values) {
        SCOPED_TRACE(value);
        for (const auto pattern : {DateTimePattern::kDateTimeAmPm, DateTimePattern::kIsoDateTime}) {
            EXPECT_NEAR(ParseDateTime(FormatDateTime(value, pattern)).value_or(-1e9), value, 1e-9);
        }
        for (const auto pattern : {DateTimePattern::kTimeAmPm, DateTimePattern::kTime24}) {
            EXPECT_NEAR(ParseDateTime(FormatDateTime(value, pattern)).value_or(-1e9),
                        TimePart(value), 1e-9);
        }
    }
}

// Local times and the instants they name, across changes of the clocks. A local time that is
// shown twice names its first occurrence; one that is skipped is read with the offset in force
// before the change.
TEST(DateTime, LocalTimeToInstantAcrossClockChanges) {
    const struct {
        const char* zone;
        DateTime local;
        sys_seconds utc;
    } cases[] = {
        {"UTC", MakeDateTime(2024, 3, 10, 2, 30), Utc(2024y / 3 / 10, 2, 30)},
        {"America/New_York", MakeDateTime(2024, 1, 15, 12, 0), Utc(2024y / 1 / 15, 17, 0)},
        {"America/New_York", MakeDateTime(2024, 7, 1, 12, 0), Utc(2024y / 7 / 1, 16, 0)},
        {"America/New_York", MakeDateTime(2024, 3, 10, 1, 59, 59), Utc(2024y / 3 / 10, 6, 59, 59)},
        {"America/New_York", MakeDateTime(2024, 3, 10, 2, 30), Utc(2024y / 3 / 10, 7, 30)},
        {"America/New_York", MakeDateTime(2024, 3, 10, 3, 0), Utc(2024y / 3 / 10, 7, 0)},
        {"America/New_York", MakeDateTime(2024, 11, 3, 0, 59), Utc(2024y / 11 / 3, 4, 59)},
        {"America/New_York", MakeDateTime(2024, 11, 3, 1, 30), Utc(2024y / 11 / 3, 5, 30)},
        {"America/New_York", MakeDateTime(2024, 11, 3, 2, 0), Utc(2024y / 11 / 3, 7, 0)},
        {"Europe/Berlin", MakeDateTime(2024, 6, 1, 12, 0), Utc(2024y / 6 / 1, 10, 0)},
        {"Europe/Berlin", MakeDateTime(2024, 3, 31, 2, 30), Utc(2024y / 3 / 31, 1, 30)},
        {"Europe/Berlin", MakeDateTime(2024, 10, 27, 2, 30), Utc(2024y / 10 / 27, 0, 30)},
        {"Europe/Berlin", MakeDateTime(2024, 10, 27, 3, 0), Utc(2024y / 10 / 27, 2, 0)},
        // Half-hour change of the clocks.
        {"Australia/Lord_Howe", MakeDateTime(2024, 10, 6, 2, 15), Utc(2024y / 10 / 5, 15, 45)},
        {"Australia/Lord_Howe", MakeDateTime(2024, 4, 7, 1, 45), Utc(2024y / 4 / 6, 14, 45)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " +
                     FormatDateTime(c.local, DateTimePattern::kIsoDateTime));
        const TzGuard zone(c.zone);
        EXPECT_EQ(floor<seconds>(ToSystemTime(c.local)), c.utc);
    }
}

// Every instant of the days around a change of the clocks shows a local time that names the
// instant again, except in the hour shown twice, whose second pass names the first.
TEST(DateTime, InstantsSurviveTheRoundTripThroughLocalTime) {
    const struct {
        const char* zone;
        sys_seconds change;
    } cases[] = {
        {"America/New_York", Utc(2024y / 3 / 10, 7, 0)},
        {"America/New_York", Utc(2024y / 11 / 3, 6, 0)},
        {"Europe/Berlin", Utc(2024y / 3 / 31, 1, 0)},
        {"Europe/Berlin", Utc(2024y / 10 / 27, 1, 0)},
        {"Australia/Lord_Howe", Utc(2024y / 4 / 6, 15, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        const TzGuard zone(c.zone);
        for (auto instant = c.change - hours{26}; instant <= c.change + hours{26};
             instant += minutes{5}) {
            const DateTime local = FromSystemTime(instant);
            const auto back = floor<seconds>(ToSystemTime(local));
            if (back != instant) {
                // The second pass of a repeated hour: same local time, an earlier instant.
                EXPECT_LT(back, instant);
                EXPECT_LE(instant - back, hours{1});
                EXPECT_NEAR(FromSystemTime(back), local, 1e-9);
            }
        }
    }
}

TEST(DateTime, LocalTimeKeepsFractionsOfASecond) {
    const TzGuard zone("Europe/Berlin");
    const auto instant = sys_days{2024y / 6 / 1} + hours{10} + milliseconds{250};
    const DateTime local = FromSystemTime(instant);
    EXPECT_EQ(Describe(ToCivil(local)), Describe({2024, 6, 1, 12, 0, 0, 0.25}));
    EXPECT_EQ(ToSystemTime(local), instant);
}

TEST(DateTime, InstantsBeyondTheSystemClockAreHeldAtItsEnds) {
    const TzGuard zone("UTC");
    const auto latest = system_clock::time_point::max() - seconds{2};
    const auto earliest = system_clock::time_point::min() + seconds{2};
    EXPECT_GT(ToSystemTime(MakeDateTime(9999, 12, 31, 23, 59, 59)), latest);
    EXPECT_GT(ToSystemTime(MakeDateTime(2261, 12, 31)), ToSystemTime(MakeDateTime(2000, 1, 1)));
    EXPECT_LT(ToSystemTime(MakeDateTime(100, 1, 1)), earliest);
    EXPECT_LT(ToSystemTime(MakeDateTime(1678, 1, 1)), ToSystemTime(MakeDateTime(2000, 1, 1)));
}

TEST(DateTime, LocalTimeBeforeDayZero) {
    const TzGuard zone("UTC");
    const auto instant = sys_days{1899y / 12 / 29} + hours{6};
    EXPECT_DOUBLE_EQ(FromSystemTime(instant), -1.25);
    EXPECT_EQ(ToSystemTime(-1.25), instant);
}

}  // namespace
}  // namespace chronoreel
