#include "scheduler/schedule.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "base/numbers.h"

namespace chronoreel {
namespace {

TEST(ScheduleTest, SettersClampAndMarkEveryStoredChange) {
    struct Case {
        const char* name;
        std::function<void(Schedule&, double)> set;
        std::function<double(const Schedule&)> get;
        double value;
        double stored;
    };
    const Case cases[] = {
        {"StartMode 5", [](Schedule& s, double v) { s.SetStartMode(static_cast<int>(v)); },
         [](const Schedule& s) { return s.StartMode(); }, 5, 2},
        {"StartMode -1", [](Schedule& s, double v) { s.SetStartMode(static_cast<int>(v)); },
         [](const Schedule& s) { return s.StartMode(); }, -1, 0},
        {"StopMode 2", [](Schedule& s, double v) { s.SetStopMode(static_cast<int>(v)); },
         [](const Schedule& s) { return s.StopMode(); }, 2, 2},
        {"ScheduleMode 7", [](Schedule& s, double v) { s.SetScheduleMode(static_cast<int>(v)); },
         [](const Schedule& s) { return s.ScheduleMode(); }, 7, 1},
        {"StartAbsoluteTime 1.0", [](Schedule& s, double v) { s.SetStartAbsoluteTime(v); },
         [](const Schedule& s) { return s.StartAbsoluteTime(); }, 1.0, 0.99988427},
        {"StartAbsoluteTime -0.25", [](Schedule& s, double v) { s.SetStartAbsoluteTime(v); },
         [](const Schedule& s) { return s.StartAbsoluteTime(); }, -0.25, 0},
        {"StopAbsoluteTime 0.5", [](Schedule& s, double v) { s.SetStopAbsoluteTime(v); },
         [](const Schedule& s) { return s.StopAbsoluteTime(); }, 0.5, 0.5},
        {"StopSunsetOffset 2000", [](Schedule& s, double v) { s.SetStopSunsetOffset(v); },
         [](const Schedule& s) { return s.StopSunsetOffset(); }, 2000, 1440},
        {"StopSunsetOffset -2000", [](Schedule& s, double v) { s.SetStopSunsetOffset(v); },
         [](const Schedule& s) { return s.StopSunsetOffset(); }, -2000, -1440},
        {"StartSunriseOffset -30", [](Schedule& s, double v) { s.SetStartSunriseOffset(v); },
         [](const Schedule& s) { return s.StartSunriseOffset(); }, -30, -30},
        {"StopSunriseOffset 1441", [](Schedule& s, double v) { s.SetStopSunriseOffset(v); },
         [](const Schedule& s) { return s.StopSunriseOffset(); }, 1441, 1440},
        {"StartSunsetOffset 7.5", [](Schedule& s, double v) { s.SetStartSunsetOffset(v); },
         [](const Schedule& s) { return s.StartSunsetOffset(); }, 7.5, 7.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Schedule schedule;
        c.set(schedule, c.value);
        EXPECT_DOUBLE_EQ(c.get(schedule), c.stored);
        EXPECT_TRUE(schedule.NeedsSaving());

        // The same value again is no change; a value that clamps onto the held one still is.
        schedule.SetNeedsSaving(false);
        c.set(schedule, c.stored);
        EXPECT_FALSE(schedule.NeedsSaving());
        if (c.value != c.stored) {
            c.set(schedule, c.value);
            EXPECT_DOUBLE_EQ(c.get(schedule), c.stored);
            EXPECT_TRUE(schedule.NeedsSaving());
        }
    }
}

TEST(ScheduleTest, ResetZeroesEverythingButKeepsTheFlag) {
    Schedule schedule;
    schedule.SetScheduleMode(1);
    schedule.SetStopMode(2);
    schedule.SetStartAbsoluteTime(0.25);
    schedule.SetStopSunsetOffset(-15);
    schedule.Reset();
    EXPECT_EQ(schedule.ScheduleMode(), 0);
    EXPECT_EQ(schedule.StopMode(), 0);
    EXPECT_EQ(schedule.StartAbsoluteTime(), 0.0);
    EXPECT_EQ(schedule.StopSunsetOffset(), 0.0);
    EXPECT_TRUE(schedule.NeedsSaving());

    schedule.SetNeedsSaving(false);
    schedule.Reset();
    EXPECT_FALSE(schedule.NeedsSaving());
}

TEST(ScheduleTest, DescriptionTexts) {
    struct Case {
        int scheduleMode;
        int startMode;
        double start;  // absolute time or the offset the start mode uses
        int stopMode;
        double stop;
        const char* expected;
    };
    const Case cases[] = {
        {0, 1, 30, 2, -15, "24-hours"},
        {1, 0, 7.0 / 24, 0, 19.5 / 24, "07:00:00 to 19:30:00"},
        {1, 1, 30, 2, -15, "sunrise+30 min to sunset-15 min"},
        {1, 1, 0, 0, 18.0 / 24, "sunrise to 18:00:00"},
        {1, 0, 6.0 / 24, 1, 20, "06:00:00 to sunrise+20 minutes"},
        {1, 1, 0, 2, -45, "sunrise to sunset-45 min"},
        {1, 0, 0.25, 1, 90, "06:00:00 to sunrise+90 minutes"},
        {1, 2, 7.5, 1, -1440, "sunset+7.5 min to sunrise-1440 minutes"},
        {1, 2, 0, 2, 0, "sunset to sunset"},
        {1, 0, 1.0, 0, 0, "23:59:50 to 00:00:00"},
    };
    for (const Case& c : cases) {
        Schedule schedule;
        schedule.SetScheduleMode(c.scheduleMode);
        schedule.SetStartMode(c.startMode);
        schedule.SetStopMode(c.stopMode);
        schedule.SetStartAbsoluteTime(c.startMode == 0 ? c.start : 0);
        schedule.SetStartSunriseOffset(c.startMode == 1 ? c.start : 0);
        schedule.SetStartSunsetOffset(c.startMode == 2 ? c.start : 0);
        schedule.SetStopAbsoluteTime(c.stopMode == 0 ? c.stop : 0);
        schedule.SetStopSunriseOffset(c.stopMode == 1 ? c.stop : 0);
        schedule.SetStopSunsetOffset(c.stopMode == 2 ? c.stop : 0);
        EXPECT_EQ(schedule.Description(), c.expected);
    }
}

TEST(ScheduleTest, DescriptionWritesFractionsTheLocaleWay) {
    Schedule schedule;
    schedule.SetScheduleMode(1);
    schedule.SetStartMode(1);
    schedule.SetStartSunriseOffset(-7.5);
    schedule.SetStopMode(2);
    schedule.SetStopSunsetOffset(12.25);
    const bool before = DecimalComma();
    SetDecimalComma(true);
    EXPECT_EQ(schedule.Description(), "sunrise-7,5 min to sunset+12,25 min");
    SetDecimalComma(false);
    EXPECT_EQ(schedule.Description(), "sunrise-7.5 min to sunset+12.25 min");
    SetDecimalComma(before);
}

}  // namespace
}  // namespace chronoreel
