#include "scheduler/task.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace chronoreel {
namespace {

TEST(TaskTest, StartsWithTheInitialValues) {
    const Task task;
    EXPECT_EQ(task.FileFilter(), "*.jpg");
    EXPECT_EQ(task.SetupTimes(), std::string(1440, '0'));
    EXPECT_EQ(task.Interval(), 1);
    EXPECT_EQ(task.Index(), 0);
    EXPECT_EQ(task.Name(), "");
    EXPECT_FALSE(task.Visible());
    EXPECT_FALSE(task.NeedsSaving());
}

TEST(TaskTest, SettersMarkOnlyRealChanges) {
    struct Case {
        const char* name;
        std::function<void(Task&)> change;
        std::function<void(Task&)> same;  // sets the value the task already holds
    };
    const Case cases[] = {
        {"Name", [](Task& t) { t.SetName("Roof"); }, [](Task& t) { t.SetName(""); }},
        {"SetupFile", [](Task& t) { t.SetSetupFile("/cam/roof.tls"); },
         [](Task& t) { t.SetSetupFile(""); }},
        {"InputPath", [](Task& t) { t.SetInputPath("/cam"); }, [](Task& t) { t.SetInputPath(""); }},
        {"FileFilter", [](Task& t) { t.SetFileFilter("*.JPG"); },
         [](Task& t) { t.SetFileFilter("*.jpg"); }},
        {"OutputAVIPath", [](Task& t) { t.SetOutputAVIPath("a.avi"); },
         [](Task& t) { t.SetOutputAVIPath(""); }},
        {"PostGenerationShell", [](Task& t) { t.SetPostGenerationShell("cp"); },
         [](Task& t) { t.SetPostGenerationShell(""); }},
        {"Interval", [](Task& t) { t.SetInterval(-7); }, [](Task& t) { t.SetInterval(1); }},
        {"OverrideInputPath", [](Task& t) { t.SetOverrideInputPath(true); },
         [](Task& t) { t.SetOverrideInputPath(false); }},
        {"OverrideFileFilter", [](Task& t) { t.SetOverrideFileFilter(true); },
         [](Task& t) { t.SetOverrideFileFilter(false); }},
        {"OverrideOutputAVIPath", [](Task& t) { t.SetOverrideOutputAVIPath(true); },
         [](Task& t) { t.SetOverrideOutputAVIPath(false); }},
        {"OverridePostGenerationShell", [](Task& t) { t.SetOverridePostGenerationShell(true); },
         [](Task& t) { t.SetOverridePostGenerationShell(false); }},
        {"Visible", [](Task& t) { t.SetVisible(true); }, [](Task& t) { t.SetVisible(false); }},
        {"Index", [](Task& t) { t.SetIndex(3); }, [](Task& t) { t.SetIndex(0); }},
        {"Schedule", [](Task& t) { t.GetSchedule().SetStopMode(1); },
         [](Task& t) { t.GetSchedule().SetStopMode(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScheduleChangedFlag flag;
        flag.Clear();
        Task task(&flag);
        c.same(task);
        EXPECT_FALSE(task.NeedsSaving());
        c.change(task);
        EXPECT_TRUE(task.NeedsSaving());
        EXPECT_FALSE(flag.IsRaised());  // only the minute mask concerns the engine
    }
}

TEST(TaskTest, NeedsSavingCoversTheScheduleAndClearsBoth) {
    Task task;
    task.GetSchedule().SetStartMode(1);
    EXPECT_TRUE(task.NeedsSaving());
    task.SetNeedsSaving(false);
    EXPECT_FALSE(task.NeedsSaving());
    EXPECT_FALSE(task.GetSchedule().NeedsSaving());
    task.SetNeedsSaving(true);
    EXPECT_TRUE(task.GetSchedule().NeedsSaving());
}

TEST(TaskTest, IndexIsClampedIntoTheSectionRange) {
    const struct {
        int value;
        int stored;
    } cases[] = {{1, 1}, {999, 999}, {1000, 999}, {-5, 1}, {12, 12}};
    for (const auto& c : cases) {
        Task task;
        task.SetIndex(c.value);
        EXPECT_EQ(task.Index(), c.stored) << c.value;
    }
    Task task;
    task.SetIndex(12);
    EXPECT_EQ(task.SectionName(), "Task012");
}

TEST(TaskTest, MinuteFlagsChangeTheMaskAndRaiseTheEngineFlag) {
    ScheduleChangedFlag flag;
    flag.Clear();
    Task task(&flag);
    task.SetSetupTimesIndex(600, true);
    EXPECT_EQ(task.SetupTimes()[600], '1');
    EXPECT_EQ(task.SetupTimes().find('1'), 600u);
    EXPECT_TRUE(task.SetupTimesIndex(600));
    EXPECT_TRUE(task.NeedsSaving());
    EXPECT_TRUE(flag.IsRaised());

    // The same value again changes nothing.
    task.SetNeedsSaving(false);
    flag.Clear();
    task.SetSetupTimesIndex(600, true);
    EXPECT_FALSE(task.NeedsSaving());
    EXPECT_FALSE(flag.IsRaised());

    // Minutes outside the day read false and cannot be set.
    for (const int minute : {-1, 1440, 5000}) {
        task.SetSetupTimesIndex(minute, true);
        EXPECT_FALSE(task.SetupTimesIndex(minute));
    }
    EXPECT_FALSE(task.NeedsSaving());
    EXPECT_FALSE(flag.IsRaised());
    EXPECT_EQ(task.SetupTimes().size(), 1440u);

    task.SetSetupTimesIndex(600, false);
    EXPECT_EQ(task.SetupTimes(), std::string(1440, '0'));
    EXPECT_TRUE(flag.IsRaised());
}

TEST(TaskTest, AShortMaskIsKeptUntilTheFirstMinuteWrite) {
    ScheduleChangedFlag flag;
    Task task(&flag);
    task.SetSetupTimes("0110");
    flag.Clear();
    EXPECT_EQ(task.SetupTimes(), "0110");
    EXPECT_TRUE(task.SetupTimesIndex(1));
    EXPECT_FALSE(task.SetupTimesIndex(5));

    task.SetSetupTimesIndex(3, true);
    std::string expected(1440, '0');
    expected[3] = '1';
    EXPECT_EQ(task.SetupTimes(), expected);
    EXPECT_TRUE(flag.IsRaised());
}

TEST(TaskTest, QuotesAreStrippedOnlyInPairs) {
    const struct {
        const char* value;
        const char* expected;
    } cases[] = {
        {"\"Morning\"", "Morning"}, {"\"\"", ""},         {"\"", "\""}, {"Night", "Night"},
        {"\"a\"b\"", "a\"b"},       {"\"open", "\"open"}, {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StripQuotes(c.value), c.expected) << c.value;
    }
}

}  // namespace
}  // namespace chronoreel
