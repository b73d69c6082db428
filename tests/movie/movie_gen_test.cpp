#include "movie/movie_gen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <functional>
#include <string>
#include <vector>

#include "movie/settings_listing.h"

namespace chronoreel {
namespace {

class MovieGenTest : public ::testing::Test {
  protected:
    SetupChangedFlag changed;
    MovieGen gen{changed};
};

TEST_F(MovieGenTest, StartsWithTheDefaultsAndLeavesTheFlagAlone) {
    SetupChangedFlag alreadySet;
    alreadySet.Set();
    const MovieGen other(alreadySet);
    EXPECT_TRUE(alreadySet.IsSet());

    const std::vector<std::string> expected = {
        "StillDirectory=images/",
        "ImageFilter=*.jpg",
        "DeleteOldImages=False",
        "DeleteOldImagesHours=168",
        "MovieDirection=1",
        "TimeOption=0",
        "StartTimeOption=0",
        "StartTimeRelative=0",
        "StartTimeToday=0",
        "StartTimeYesterday=0",
        "StartTimeAbsolute=0",
        "StartTimeSunriseRelative=0",
        "StartTimeSunsetRelative=0",
        "StopTimeOption=0",
        "StopTimeRelative=0",
        "StopTimeToday=0",
        "StopTimeYesterday=0",
        "StopTimeAbsolute=0",
        "StopTimeSunriseRelative=0",
        "StopTimeSunsetRelative=0",
        "ImageIntervalOption=0",
        "ImagesPerHour=60",
        "DuplicateCount=2",
        "TimeStampOption=0",
        "OutputAVIPath=mymovie.avi",
        "MovieSizeOption=0",
        "MovieSizeWidth=320",
        "MovieSizeHeight=240",
        "MovieFPS=24",
        "PostGenerationShell=",
        "CompressType=0",
        "CompressFormat=0",
        "CompressParms=0",
        "CompressBytesPerSecond=100000",
        "CompressFlags=8",
        "CompressInterleaveEvery=0",
        "CompressKeyFrameEvery=0",
        "CompressQuality=50",
        "CompressHandler=541215044",
        "FormatSize=0",
        "ParmsSize=0",
    };
    EXPECT_EQ(SettingsListing(other), expected);
    EXPECT_EQ(other.FormatBuffer(), std::vector<std::uint8_t>{0});
    EXPECT_EQ(other.ParmsBuffer(), std::vector<std::uint8_t>{0});
    EXPECT_EQ(other.CompressFormatPointer(), other.FormatPointer());
    EXPECT_EQ(other.CompressParmsPointer(), other.ParmsPointer());
    EXPECT_FALSE(other.CancelRequested());
    EXPECT_EQ(other.RunState().movieWidth, 0);
}

TEST_F(MovieGenTest, ListsValuesInTheSetupFileEncoding) {
    gen.SetDeleteOldImages(true);
    gen.SetDeleteOldImagesHours(0.1);
    gen.SetStartTimeAbsolute(38718.75);
    gen.SetStopTimeSunriseRelative(-1.5);
    gen.SetCompressHandler(-1);
    gen.SetFormatSize(40);
    gen.SetStillDirectory("/cam/roof images");
    const std::vector<std::string> lines = SettingsListing(gen);
    for (const char* line :
         {"DeleteOldImages=True", "DeleteOldImagesHours=0.100000001490116",
          "StartTimeAbsolute=38718.75", "StopTimeSunriseRelative=-1.5", "CompressHandler=-1",
          "FormatSize=40", "StillDirectory=/cam/roof images"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

struct ClampCase {
    const char* name;
    std::function<void(MovieGen&)> set;
    std::function<double(const MovieGen&)> get;
    double expected;
};

TEST_F(MovieGenTest, SettersClampIntoTheirRanges) {
    const double lastSecond = 86399.0 / 86400.0;
    const std::vector<ClampCase> cases = {
        {"MovieSizeWidth 2000", [](MovieGen& m) { m.SetMovieSizeWidth(2000); },
         [](const MovieGen& m) { return m.MovieSizeWidth(); }, 1600},
        {"MovieSizeWidth 0", [](MovieGen& m) { m.SetMovieSizeWidth(0); },
         [](const MovieGen& m) { return m.MovieSizeWidth(); }, 1},
        {"MovieSizeHeight 0", [](MovieGen& m) { m.SetMovieSizeHeight(0); },
         [](const MovieGen& m) { return m.MovieSizeHeight(); }, 1},
        {"MovieSizeHeight 1201", [](MovieGen& m) { m.SetMovieSizeHeight(1201); },
         [](const MovieGen& m) { return m.MovieSizeHeight(); }, 1200},
        {"ImagesPerHour 0", [](MovieGen& m) { m.SetImagesPerHour(0); },
         [](const MovieGen& m) { return m.ImagesPerHour(); }, 1},
        {"ImagesPerHour 36000.5", [](MovieGen& m) { m.SetImagesPerHour(36000.5); },
         [](const MovieGen& m) { return m.ImagesPerHour(); }, 36000},
        {"ImagesPerHour 1.5 kept", [](MovieGen& m) { m.SetImagesPerHour(1.5); },
         [](const MovieGen& m) { return m.ImagesPerHour(); }, 1.5},
        {"DuplicateCount 0", [](MovieGen& m) { m.SetDuplicateCount(0); },
         [](const MovieGen& m) { return m.DuplicateCount(); }, 1},
        {"DuplicateCount 200000", [](MovieGen& m) { m.SetDuplicateCount(200000); },
         [](const MovieGen& m) { return m.DuplicateCount(); }, 100000},
        {"MovieFPS 75", [](MovieGen& m) { m.SetMovieFPS(75); },
         [](const MovieGen& m) { return m.MovieFPS(); }, 60},
        {"MovieFPS -3", [](MovieGen& m) { m.SetMovieFPS(-3); },
         [](const MovieGen& m) { return m.MovieFPS(); }, 1},
        {"StartTimeToday 1.5", [](MovieGen& m) { m.SetStartTimeToday(1.5); },
         [](const MovieGen& m) { return m.StartTimeToday(); }, lastSecond},
        {"StopTimeToday -0.25", [](MovieGen& m) { m.SetStopTimeToday(-0.25); },
         [](const MovieGen& m) { return m.StopTimeToday(); }, 0},
        {"StartTimeYesterday 1", [](MovieGen& m) { m.SetStartTimeYesterday(1); },
         [](const MovieGen& m) { return m.StartTimeYesterday(); }, lastSecond},
        {"StopTimeYesterday 0.75 kept", [](MovieGen& m) { m.SetStopTimeYesterday(0.75); },
         [](const MovieGen& m) { return m.StopTimeYesterday(); }, 0.75},
        {"StartTimeSunriseRelative 25", [](MovieGen& m) { m.SetStartTimeSunriseRelative(25); },
         [](const MovieGen& m) { return m.StartTimeSunriseRelative(); }, 24},
        {"StartTimeSunsetRelative -24.5", [](MovieGen& m) { m.SetStartTimeSunsetRelative(-24.5); },
         [](const MovieGen& m) { return m.StartTimeSunsetRelative(); }, -24},
        {"StopTimeSunriseRelative 30", [](MovieGen& m) { m.SetStopTimeSunriseRelative(30); },
         [](const MovieGen& m) { return m.StopTimeSunriseRelative(); }, 24},
        {"StopTimeSunsetRelative -30", [](MovieGen& m) { m.SetStopTimeSunsetRelative(-30); },
         [](const MovieGen& m) { return m.StopTimeSunsetRelative(); }, -24},
        {"TimeOption 2", [](MovieGen& m) { m.SetTimeOption(2); },
         [](const MovieGen& m) { return m.TimeOption(); }, 1},
        {"StartTimeOption 7", [](MovieGen& m) { m.SetStartTimeOption(7); },
         [](const MovieGen& m) { return m.StartTimeOption(); }, 6},
        {"StopTimeOption -1", [](MovieGen& m) { m.SetStopTimeOption(-1); },
         [](const MovieGen& m) { return m.StopTimeOption(); }, 0},
        {"ImageIntervalOption 9", [](MovieGen& m) { m.SetImageIntervalOption(9); },
         [](const MovieGen& m) { return m.ImageIntervalOption(); }, 1},
        {"TimeStampOption -5", [](MovieGen& m) { m.SetTimeStampOption(-5); },
         [](const MovieGen& m) { return m.TimeStampOption(); }, 0},
        {"MovieSizeOption 3", [](MovieGen& m) { m.SetMovieSizeOption(3); },
         [](const MovieGen& m) { return m.MovieSizeOption(); }, 1},
        {"StartTimeRelative unlimited", [](MovieGen& m) { m.SetStartTimeRelative(-1e6); },
         [](const MovieGen& m) { return m.StartTimeRelative(); }, -1e6},
        {"StopTimeAbsolute unlimited", [](MovieGen& m) { m.SetStopTimeAbsolute(100000); },
         [](const MovieGen& m) { return m.StopTimeAbsolute(); }, 100000},
        {"DeleteOldImagesHours single precision",
         [](MovieGen& m) { m.SetDeleteOldImagesHours(0.1); },
         [](const MovieGen& m) { return m.DeleteOldImagesHours(); }, static_cast<double>(0.1f)},
        {"DeleteOldImagesHours beyond float saturates",
         [](MovieGen& m) { m.SetDeleteOldImagesHours(1e300); },
         [](const MovieGen& m) { return m.DeleteOldImagesHours(); }, double{FLT_MAX}},
    };
    for (const ClampCase& c : cases) {
        SetupChangedFlag flag;
        MovieGen m(flag);
        c.set(m);
        EXPECT_EQ(c.get(m), c.expected) << c.name;
        EXPECT_TRUE(flag.IsSet()) << c.name;
    }
}

// Each case gives the property the value it holds (no change) and then another one.
struct ChangeCase {
    const char* name;
    std::function<void(MovieGen&)> sameValue;
    std::function<void(MovieGen&)> otherValue;
};

TEST_F(MovieGenTest, OnlyARealChangeSetsTheFlag) {
    const std::vector<ChangeCase> cases = {
        {"StillDirectory", [](MovieGen& m) { m.SetStillDirectory("images/"); },
         [](MovieGen& m) { m.SetStillDirectory("Images/"); }},
        {"ImageFilter", [](MovieGen& m) { m.SetImageFilter("*.jpg"); },
         [](MovieGen& m) { m.SetImageFilter("*.JPG"); }},
        {"DeleteOldImages", [](MovieGen& m) { m.SetDeleteOldImages(false); },
         [](MovieGen& m) { m.SetDeleteOldImages(true); }},
        {"DeleteOldImagesHours", [](MovieGen& m) { m.SetDeleteOldImagesHours(168.000000001); },
         [](MovieGen& m) { m.SetDeleteOldImagesHours(167.5); }},
        {"MovieDirection", [](MovieGen& m) { m.SetMovieDirection(1); },
         [](MovieGen& m) { m.SetMovieDirection(-1); }},
        {"TimeOption", [](MovieGen& m) { m.SetTimeOption(0); },
         [](MovieGen& m) { m.SetTimeOption(1); }},
        {"StartTimeOption", [](MovieGen& m) { m.SetStartTimeOption(0); },
         [](MovieGen& m) { m.SetStartTimeOption(3); }},
        {"StartTimeRelative", [](MovieGen& m) { m.SetStartTimeRelative(0); },
         [](MovieGen& m) { m.SetStartTimeRelative(2); }},
        {"StartTimeToday", [](MovieGen& m) { m.SetStartTimeToday(0); },
         [](MovieGen& m) { m.SetStartTimeToday(0.25); }},
        {"StartTimeYesterday", [](MovieGen& m) { m.SetStartTimeYesterday(0); },
         [](MovieGen& m) { m.SetStartTimeYesterday(0.5); }},
        {"StartTimeAbsolute", [](MovieGen& m) { m.SetStartTimeAbsolute(0); },
         [](MovieGen& m) { m.SetStartTimeAbsolute(38718.75); }},
        {"StartTimeSunriseRelative", [](MovieGen& m) { m.SetStartTimeSunriseRelative(0); },
         [](MovieGen& m) { m.SetStartTimeSunriseRelative(1); }},
        {"StartTimeSunsetRelative", [](MovieGen& m) { m.SetStartTimeSunsetRelative(0); },
         [](MovieGen& m) { m.SetStartTimeSunsetRelative(1); }},
        {"StopTimeOption", [](MovieGen& m) { m.SetStopTimeOption(0); },
         [](MovieGen& m) { m.SetStopTimeOption(6); }},
        {"StopTimeRelative", [](MovieGen& m) { m.SetStopTimeRelative(0); },
         [](MovieGen& m) { m.SetStopTimeRelative(1); }},
        {"StopTimeToday", [](MovieGen& m) { m.SetStopTimeToday(0); },
         [](MovieGen& m) { m.SetStopTimeToday(0.5); }},
        {"StopTimeYesterday", [](MovieGen& m) { m.SetStopTimeYesterday(0); },
         [](MovieGen& m) { m.SetStopTimeYesterday(0.5); }},
        {"StopTimeAbsolute", [](MovieGen& m) { m.SetStopTimeAbsolute(0); },
         [](MovieGen& m) { m.SetStopTimeAbsolute(1); }},
        {"StopTimeSunriseRelative", [](MovieGen& m) { m.SetStopTimeSunriseRelative(0); },
         [](MovieGen& m) { m.SetStopTimeSunriseRelative(1); }},
        {"StopTimeSunsetRelative", [](MovieGen& m) { m.SetStopTimeSunsetRelative(0); },
         [](MovieGen& m) { m.SetStopTimeSunsetRelative(1); }},
        {"ImageIntervalOption", [](MovieGen& m) { m.SetImageIntervalOption(0); },
         [](MovieGen& m) { m.SetImageIntervalOption(1); }},
        {"ImagesPerHour", [](MovieGen& m) { m.SetImagesPerHour(60); },
         [](MovieGen& m) { m.SetImagesPerHour(61); }},
        {"DuplicateCount", [](MovieGen& m) { m.SetDuplicateCount(2); },
         [](MovieGen& m) { m.SetDuplicateCount(3); }},
        {"TimeStampOption", [](MovieGen& m) { m.SetTimeStampOption(0); },
         [](MovieGen& m) { m.SetTimeStampOption(1); }},
        {"OutputAVIPath", [](MovieGen& m) { m.SetOutputAVIPath("mymovie.avi"); },
         [](MovieGen& m) { m.SetOutputAVIPath("MyMovie.avi"); }},
        {"MovieSizeOption", [](MovieGen& m) { m.SetMovieSizeOption(0); },
         [](MovieGen& m) { m.SetMovieSizeOption(1); }},
        {"MovieSizeWidth", [](MovieGen& m) { m.SetMovieSizeWidth(320); },
         [](MovieGen& m) { m.SetMovieSizeWidth(321); }},
        {"MovieSizeHeight", [](MovieGen& m) { m.SetMovieSizeHeight(240); },
         [](MovieGen& m) { m.SetMovieSizeHeight(241); }},
        {"MovieFPS", [](MovieGen& m) { m.SetMovieFPS(24); },
         [](MovieGen& m) { m.SetMovieFPS(25); }},
        {"PostGenerationShell", [](MovieGen& m) { m.SetPostGenerationShell(""); },
         [](MovieGen& m) { m.SetPostGenerationShell(" "); }},
    };
    for (const ChangeCase& c : cases) {
        SetupChangedFlag flag;
        MovieGen m(flag);
        const std::vector<std::string> before = SettingsListing(m);
        c.sameValue(m);
        EXPECT_FALSE(flag.IsSet()) << c.name;
        EXPECT_EQ(SettingsListing(m), before) << c.name;
        c.otherValue(m);
        EXPECT_TRUE(flag.IsSet()) << c.name;
        EXPECT_NE(SettingsListing(m), before) << c.name;
    }
}

TEST_F(MovieGenTest, AnOutOfRangeValueCountsAsAChangeEvenWhenItClampsToTheStoredValue) {
    gen.SetDuplicateCount(100000);
    changed.Clear();
    gen.SetDuplicateCount(200000);
    EXPECT_EQ(gen.DuplicateCount(), 100000);
    EXPECT_TRUE(changed.IsSet());

    gen.SetMovieFPS(60);
    changed.Clear();
    gen.SetMovieFPS(61);
    EXPECT_EQ(gen.MovieFPS(), 60);
    EXPECT_TRUE(changed.IsSet());
}

TEST_F(MovieGenTest, DirectionAcceptsOnlyOneAndMinusOne) {
    for (const std::int32_t ignored : {0, 2, -2, 100}) {
        gen.SetMovieDirection(ignored);
        EXPECT_EQ(gen.MovieDirection(), 1) << ignored;
        EXPECT_FALSE(changed.IsSet()) << ignored;
    }
    gen.SetMovieDirection(-1);
    EXPECT_EQ(gen.MovieDirection(), -1);
    EXPECT_TRUE(changed.IsSet());
    gen.SetMovieDirection(0);
    EXPECT_EQ(gen.MovieDirection(), -1);
}

TEST_F(MovieGenTest, CompressionFieldsAlwaysSetTheFlagAndAreStored) {
    const std::vector<std::function<void(MovieGen&)>> sameAsDefault = {
        [](MovieGen& m) { m.SetCompressType(0); },
        [](MovieGen& m) { m.SetCompressFormat(0); },
        [](MovieGen& m) { m.SetCompressParms(0); },
        [](MovieGen& m) { m.SetCompressBytesPerSecond(100000); },
        [](MovieGen& m) { m.SetCompressFlags(8); },
        [](MovieGen& m) { m.SetCompressInterleaveEvery(0); },
        [](MovieGen& m) { m.SetCompressKeyFrameEvery(0); },
        [](MovieGen& m) { m.SetCompressQuality(50); },
        [](MovieGen& m) { m.SetCompressHandler(kFourccDib); },
        [](MovieGen& m) { m.SetFormatSize(0); },
        [](MovieGen& m) { m.SetParmsSize(0); },
        [](MovieGen& m) { m.SetFormatBytes(0, 0); },
        [](MovieGen& m) { m.SetParmsBytes(0, 0); },
    };
    for (std::size_t i = 0; i < sameAsDefault.size(); ++i) {
        SetupChangedFlag flag;
        MovieGen m(flag);
        sameAsDefault[i](m);
        EXPECT_TRUE(flag.IsSet()) << "setter " << i;
    }

    gen.SetCompressType(1935960438);  // "vids"
    gen.SetCompressHandler(-7);
    gen.SetCompressKeyFrameEvery(12);
    gen.SetCompressQuality(7500);
    gen.SetCompressBytesPerSecond(-1);
    gen.SetCompressFlags(2);
    gen.SetCompressFormat(40);
    gen.SetCompressParms(3);
    gen.SetCompressInterleaveEvery(5);
    gen.SetFormatSize(40);
    EXPECT_EQ(gen.CompressType(), 1935960438);
    EXPECT_EQ(gen.CompressHandler(), -7);
    EXPECT_EQ(gen.CompressKeyFrameEvery(), 12);
    EXPECT_EQ(gen.CompressQuality(), 7500);
    EXPECT_EQ(gen.CompressBytesPerSecond(), -1);
    EXPECT_EQ(gen.CompressFlags(), 2);
    EXPECT_EQ(gen.CompressFormat(), 40);
    EXPECT_EQ(gen.CompressParms(), 3);
    EXPECT_EQ(gen.CompressInterleaveEvery(), 5);
    // The record's addresses follow the blocks, also after one grew.
    EXPECT_EQ(gen.CompressFormatPointer(),
              reinterpret_cast<std::intptr_t>(gen.FormatBuffer().data()));
    EXPECT_EQ(gen.CompressParmsPointer(),
              reinterpret_cast<std::intptr_t>(gen.ParmsBuffer().data()));
}

TEST_F(MovieGenTest, BlocksGrowOnlyWhenTheSizeValueGrows) {
    struct Step {
        std::int32_t size;
        std::size_t formatBytes;
    };
    // 40, 20, 30 leaves buffers of 40, 40 and 30 bytes; 0 and a negative size keep the buffer.
    const std::vector<Step> steps = {{40, 40}, {20, 40}, {30, 30}, {0, 30}, {-5, 30}, {2, 2}};
    gen.SetFormatBytes(0, 0xAB);
    for (const Step& step : steps) {
        changed.Clear();
        gen.SetFormatSize(step.size);
        gen.SetParmsSize(step.size);
        EXPECT_EQ(gen.FormatSize(), step.size);
        EXPECT_EQ(gen.ParmsSize(), step.size);
        EXPECT_EQ(gen.FormatBuffer().size(), step.formatBytes) << step.size;
        EXPECT_EQ(gen.ParmsBuffer().size(), step.formatBytes) << step.size;
        EXPECT_TRUE(changed.IsSet());
        EXPECT_EQ(gen.FormatBytes(0), 0xAB) << "byte 0 kept at size " << step.size;
        EXPECT_EQ(gen.FormatPointer(), reinterpret_cast<std::intptr_t>(gen.FormatBuffer().data()));
    }
    gen.SetParmsBytes(1, 0xFF);
    EXPECT_EQ(gen.ParmsBytes(1), 0xFF);
}

TEST_F(MovieGenTest, CancelIsOnlyClearedByTheRun) {
    gen.SetCancelMovie(false);
    EXPECT_FALSE(gen.CancelRequested());
    gen.SetCancelMovie(true);
    gen.SetCancelMovie(false);
    EXPECT_TRUE(gen.CancelRequested());
    EXPECT_FALSE(changed.IsSet());
    gen.ClearCancelMovie();
    EXPECT_FALSE(gen.CancelRequested());
}

using MovieGenDeathTest = MovieGenTest;

TEST_F(MovieGenDeathTest, ByteIndexOutsideABlockEndsTheProgramWithTheReport) {
    gen.SetFormatSize(5);
    gen.SetParmsSize(3);
    struct Case {
        std::function<void(MovieGen&)> access;
        const char* procedure;
    };
    const std::vector<Case> cases = {
        {[](MovieGen& m) { (void)m.FormatBytes(5); }, "FormatBytes_Get"},
        {[](MovieGen& m) { (void)m.FormatBytes(-1); }, "FormatBytes_Get"},
        {[](MovieGen& m) { m.SetFormatBytes(5, 1); }, "FormatBytes_Let"},
        {[](MovieGen& m) { (void)m.ParmsBytes(3); }, "ParmsBytes_Get"},
        {[](MovieGen& m) { m.SetParmsBytes(3, 1); }, "ParmsBytes_Let"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(c.access(gen), ::testing::ExitedWithCode(70),
                    std::string("Module: MovieGen\nProcedure: ") + c.procedure +
                        "\n(.|\n)*Error #: 9\nError Description: Subscript out of range");
    }
    EXPECT_EQ(gen.FormatBytes(4), 0);
}

TEST_F(MovieGenDeathTest, AnAbsurdBlockSizeIsReportedInsteadOfFillingMemory) {
    EXPECT_EXIT(gen.SetFormatSize(kMaxCompressorBlockBytes + 1), ::testing::ExitedWithCode(70),
                "Procedure: FormatSize_Let\n(.|\n)*Error #: 7");
    gen.SetParmsSize(kMaxCompressorBlockBytes);
    EXPECT_EQ(gen.ParmsBuffer().size(), static_cast<std::size_t>(kMaxCompressorBlockBytes));
}

}  // namespace
}  // namespace chronoreel
