#include "programs/movie_maker/run_overrides.h"

#include <gtest/gtest.h>

#include "movie/movie_gen.h"
#include "programs/movie_maker/command_line.h"

namespace chronoreel {
namespace {

constexpr DateTime kNone = -1;
constexpr DateTime kSixAm = 38748.25;  // 2006-01-31 06:00
constexpr DateTime kSixPm = 38748.75;  // 2006-01-31 18:00

struct WindowCase {
    const char* name;
    DateTime start;
    DateTime stop;
    // Expected afterwards.
    std::int32_t timeOption;
    std::int32_t startOption;
    DateTime startAbsolute;
    std::int32_t stopOption;
    DateTime stopAbsolute;
};

TEST(ApplyRunOverrides, StartAndStopOverridesReplaceTheTimeWindow) {
    // The setup before the overrides: window off, sun and "today" edges, other absolute values.
    const WindowCase cases[] = {
        {"none", kNone, kNone, 0, 5, 123, 2, 456},
        {"start only: open end", kSixAm, kNone, 1, 3, kSixAm, 3, 100000},
        {"stop only: open start", kNone, kSixPm, 1, 3, 0, 3, kSixPm},
        {"both", kSixAm, kSixPm, 1, 3, kSixAm, 3, kSixPm},
        {"backwards stays backwards", kSixPm, kSixAm, 1, 3, kSixPm, 3, kSixAm},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetupChangedFlag flag;
        MovieGen gen(flag);
        gen.SetTimeOption(0);
        gen.SetStartTimeOption(5);
        gen.SetStartTimeAbsolute(123);
        gen.SetStopTimeOption(2);
        gen.SetStopTimeAbsolute(456);
        CommandLineValues values;
        values.startOverride = c.start;
        values.stopOverride = c.stop;

        ApplyRunOverrides(gen, values);

        EXPECT_EQ(gen.TimeOption(), c.timeOption);
        EXPECT_EQ(gen.StartTimeOption(), c.startOption);
        EXPECT_EQ(gen.StartTimeAbsolute(), c.startAbsolute);
        EXPECT_EQ(gen.StopTimeOption(), c.stopOption);
        EXPECT_EQ(gen.StopTimeAbsolute(), c.stopAbsolute);
    }
}

TEST(ApplyRunOverrides, NonEmptyPathOverridesReplaceTheirSettingsOnly) {
    SetupChangedFlag flag;
    MovieGen gen(flag);
    gen.SetStillDirectory("/cam/Roof");
    gen.SetImageFilter("*.jpg");
    gen.SetOutputAVIPath("/srv/Roof.avi");
    gen.SetPostGenerationShell("upload <outfile>");

    CommandLineValues values;
    values.inputPathOverride = "/cam/Garden Shots";
    values.outputPathOverride = "/srv/Garden.AVI";
    ApplyRunOverrides(gen, values);
    EXPECT_EQ(gen.StillDirectory(), "/cam/Garden Shots");
    EXPECT_EQ(gen.ImageFilter(), "*.jpg");
    EXPECT_EQ(gen.OutputAVIPath(), "/srv/Garden.AVI");
    EXPECT_EQ(gen.PostGenerationShell(), "upload <outfile>");

    values = {};
    values.fileFilterOverride = "CAM*.JPG";
    values.postGenerationShellOverride = "sh -c \"cp <outpath> /www\"";
    ApplyRunOverrides(gen, values);
    EXPECT_EQ(gen.StillDirectory(), "/cam/Garden Shots");
    EXPECT_EQ(gen.ImageFilter(), "CAM*.JPG");
    EXPECT_EQ(gen.OutputAVIPath(), "/srv/Garden.AVI");
    EXPECT_EQ(gen.PostGenerationShell(), "sh -c \"cp <outpath> /www\"");
}

}  // namespace
}  // namespace chronoreel
