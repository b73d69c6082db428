#include "movie/frame_selection.h"

#include <gtest/gtest.h>

#include <vector>

namespace chronoreel {
namespace {

constexpr DateTime kBase = 45000.0;  // a day in 2023
constexpr double kMinute = 1.0 / 1440;

std::vector<DateTime> StampsAtMinutes(const std::vector<double>& minutes) {
    std::vector<DateTime> stamps;
    for (const double m : minutes) {
        stamps.push_back(kBase + m * kMinute);
    }
    return stamps;
}

std::vector<double> EveryMinutes(double step, double last) {
    std::vector<double> minutes;
    for (double m = 0; m <= last; m += step) {
        minutes.push_back(m);
    }
    return minutes;
}

std::vector<std::size_t> Repeat(std::initializer_list<std::pair<std::size_t, int>> runs) {
    std::vector<std::size_t> frames;
    for (const auto& [index, times] : runs) {
        frames.insert(frames.end(), static_cast<std::size_t>(times), index);
    }
    return frames;
}

std::vector<std::size_t> Thin(const std::vector<double>& minutes, double imagesPerHour,
                              int duplicateCount) {
    SelectionSettings settings;
    settings.ImageIntervalOption = 1;
    settings.ImagesPerHour = imagesPerHour;
    settings.DuplicateCount = duplicateCount;
    const FrameSelection selection =
        SelectFrames(StampsAtMinutes(minutes), settings, TimeWindow{}, SelectionProgress{});
    EXPECT_EQ(selection.outcome, SelectionOutcome::kSelected);
    return selection.frames;
}

TEST(FrameSelection, ThinningFillsSlotsWithTheNearestImageUpToTheRepeatCap) {
    std::vector<std::size_t> pairs;
    for (std::size_t i = 0; i <= 12; ++i) {
        pairs.insert(pairs.end(), {i, i});
    }
    EXPECT_EQ(Thin(EveryMinutes(5, 60), 60, 2), pairs);

    std::vector<std::size_t> once(13);
    for (std::size_t i = 0; i < once.size(); ++i) {
        once[i] = i;
    }
    EXPECT_EQ(Thin(EveryMinutes(5, 60), 60, 1), once);

    const std::vector<std::size_t> five = Thin(EveryMinutes(5, 60), 60, 5);
    EXPECT_EQ(five.size(), 61u);
    EXPECT_EQ(std::count(five.begin(), five.end(), 0u), 3);
    EXPECT_EQ(std::count(five.begin(), five.end(), 6u), 5);
    EXPECT_EQ(std::count(five.begin(), five.end(), 12u), 3);
}

TEST(FrameSelection, ThinningExamples) {
    // Every minute for an hour at 12 per hour keeps every fifth image.
    std::vector<std::size_t> everyFifth;
    for (std::size_t i = 0; i <= 60; i += 5) {
        everyFifth.push_back(i);
    }
    EXPECT_EQ(Thin(EveryMinutes(1, 60), 12, 2), everyFifth);
    // A half-hour gap: the images on both sides fill three of its slots each.
    EXPECT_EQ(Thin({0, 1, 2, 30, 31}, 60, 3), Repeat({{0, 1}, {1, 1}, {2, 3}, {3, 3}, {4, 1}}));
    EXPECT_EQ(Thin({7}, 60, 50), Repeat({{0, 1}}));
    EXPECT_EQ(Thin({0, 0.6}, 60, 5), Repeat({{0, 1}, {1, 1}}));
}

TEST(FrameSelection, WindowEdgesAreIncludedAndOutsideImagesMoveNoSlot) {
    SelectionSettings settings;
    settings.TimeOption = 1;
    const TimeWindow window{kBase + 10 * kMinute, kBase + 20 * kMinute, 1};
    const auto stamps = StampsAtMinutes({0, 10, 15, 20, 25});
    const FrameSelection all = SelectFrames(stamps, settings, window, {});
    EXPECT_EQ(all.frames, (std::vector<std::size_t>{1, 2, 3}));

    settings.ImageIntervalOption = 1;
    settings.ImagesPerHour = 60;
    settings.DuplicateCount = 1;
    EXPECT_EQ(SelectFrames(stamps, settings, window, {}).frames,
              (std::vector<std::size_t>{1, 2, 3}));

    const TimeWindow empty{kBase + 30 * kMinute, kBase + 40 * kMinute, 1};
    EXPECT_EQ(SelectFrames(stamps, settings, empty, {}).outcome,
              SelectionOutcome::kNothingSelected);
}

TEST(FrameSelection, ProgressIsShownOnlyWhenTheListIsFilteredAndCancelStopsIt) {
    const auto stamps = StampsAtMinutes({0, 1, 2});
    int progressCalls = 0;
    SelectionProgress progress{[&](std::size_t, std::size_t) { ++progressCalls; },
                               [] { return false; }};
    EXPECT_EQ(SelectFrames(stamps, SelectionSettings{}, TimeWindow{}, progress).frames.size(), 3u);
    EXPECT_EQ(progressCalls, 0);

    SelectionSettings thinning;
    thinning.ImageIntervalOption = 1;
    progress.cancelled = [&] { return progressCalls == 2; };
    EXPECT_EQ(SelectFrames(stamps, thinning, TimeWindow{}, progress).outcome,
              SelectionOutcome::kCancelled);
    EXPECT_EQ(progressCalls, 2);
}

TEST(TimeWindow, EdgesFromEveryOption) {
    const DateTime runStart = kBase + 0.75;  // 18:00
    const SunTimesSource sun{[] { return 0.25; }, [] { return 0.8; }};
    struct Case {
        int option;
        DateTime expected;
    };
    const Case cases[] = {
        {0, runStart},          {1, runStart - 6.0 / 24},     {2, kBase + 0.5},
        {3, 40000.5},           {4, kBase + 0.25 + 1.0 / 24}, {5, kBase + 0.8 - 2.0 / 24},
        {6, kBase - 1 + 0.125},
    };
    for (const Case& c : cases) {
        SelectionSettings settings;
        settings.StartTimeOption = c.option;
        settings.StartTimeRelative = 6;
        settings.StartTimeToday = 0.5;
        settings.StartTimeAbsolute = 40000.5;
        settings.StartTimeSunriseRelative = 1;
        settings.StartTimeSunsetRelative = -2;
        settings.StartTimeYesterday = 0.125;
        EXPECT_DOUBLE_EQ(ComputeTimeWindow(settings, runStart, sun).start, c.expected)
            << "option " << c.option;
    }
}

TEST(TimeWindow, BackwardsWindowIsSwappedAndReversesOnlyWhenUsed) {
    SelectionSettings settings;
    settings.StartTimeOption = 2;
    settings.StartTimeToday = 0.75;
    settings.StopTimeOption = 2;
    settings.StopTimeToday = 0.25;
    settings.TimeOption = 1;
    const TimeWindow used = ComputeTimeWindow(settings, kBase + 0.9, {});
    EXPECT_DOUBLE_EQ(used.start, kBase + 0.25);
    EXPECT_DOUBLE_EQ(used.stop, kBase + 0.75);
    EXPECT_EQ(used.direction, -1);

    settings.MovieDirection = -1;
    EXPECT_EQ(ComputeTimeWindow(settings, kBase + 0.9, {}).direction, 1);

    settings.TimeOption = 0;
    const TimeWindow ignored = ComputeTimeWindow(settings, kBase + 0.9, {});
    EXPECT_DOUBLE_EQ(ignored.start, kBase + 0.75);
    EXPECT_EQ(ignored.direction, -1);
}

TEST(FrameSelection, OutputOrderFollowsTheDirection) {
    const std::vector<std::size_t> frames{0, 0, 1, 1};
    std::vector<std::size_t> reversed;
    for (std::size_t m = 0; m < frames.size(); ++m) {
        reversed.push_back(FrameAtOutputPosition(frames, m, -1));
    }
    EXPECT_EQ(reversed, (std::vector<std::size_t>{1, 1, 0, 0}));
}

}  // namespace
}  // namespace chronoreel
