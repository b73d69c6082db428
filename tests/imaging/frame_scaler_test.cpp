#include "imaging/frame_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "imaging/frame_surfaces.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/movie_size.h"
#include "imaging_fixtures.h"

namespace chronoreel {
namespace {

struct Size {
    std::int32_t width;
    std::int32_t height;
};

std::string Describe(Size from, Size to) {
    return std::to_string(from.width) + "x" + std::to_string(from.height) + " -> " +
           std::to_string(to.width) + "x" + std::to_string(to.height);
}

int MaxChannelDifference(Bgr a, Bgr b) {
    return std::max(
        {std::abs(a.blue - b.blue), std::abs(a.green - b.green), std::abs(a.red - b.red)});
}

// Sizes the run meets: shrinking, enlarging, one side each way, the 2-pixel stretch of an
// odd-width camera image, and tiny pictures.
const Size kScalings[][2] = {
    {{640, 480}, {320, 240}}, {{160, 200}, {320, 240}}, {{640, 200}, {320, 240}},
    {{322, 241}, {324, 241}}, {{1, 1}, {4, 4}},         {{227, 149}, {4, 1}},
    {{3, 2}, {8, 5}},
};

TEST(ChooseScaleFilter, AveragesWhenASideShrinks) {
    struct Case {
        Size from;
        Size to;
        ScaleFilter filter;
    };
    const Case cases[] = {
        {{640, 480}, {320, 240}, ScaleFilter::kAreaAverage},
        {{640, 240}, {320, 240}, ScaleFilter::kAreaAverage},
        {{320, 480}, {320, 240}, ScaleFilter::kAreaAverage},
        {{160, 200}, {320, 240}, ScaleFilter::kBicubic},
        {{322, 241}, {324, 241}, ScaleFilter::kBicubic},
        {{640, 200}, {320, 240}, ScaleFilter::kAreaAverage},
        {{200, 640}, {320, 240}, ScaleFilter::kAreaAverage},
        {{320, 240}, {320, 240}, ScaleFilter::kBicubic},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseScaleFilter(c.from.width, c.from.height, c.to.width, c.to.height), c.filter)
            << Describe(c.from, c.to);
    }
}

TEST(FrameScaler, SolidColorStaysThatColor) {
    const Bgr colors[] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {255, 0, 0}, {10, 200, 77}};
    FrameScaler scaler;
    for (const auto& [from, to] : kScalings) {
        for (const Bgr color : colors) {
            DIB source, target;
            source.SetWidthHeight(from.width, from.height);
            target.SetWidthHeight(to.width, to.height);
            source.Fill(color);
            ASSERT_TRUE(scaler.Stretch(source, target)) << Describe(from, to);
            int worst = 0;
            for (std::int32_t y = 0; y < to.height; ++y) {
                for (std::int32_t x = 0; x < to.width; ++x) {
                    worst = std::max(worst, MaxChannelDifference(target.Pixel(x, y), color));
                }
            }
            EXPECT_LE(worst, 1) << Describe(from, to);
        }
    }
}

// Red top left, green top right, blue bottom left, white bottom right: after stretching to fill,
// each corner of the frame keeps its colour (no flip, no mirror, no cropping).
TEST(FrameScaler, StretchKeepsLeftRightAndTopBottom) {
    const Bgr red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0}, white{255, 255, 255};
    FrameScaler scaler;
    for (const auto& [from, to] : kScalings) {
        if (from.width < 2 || from.height < 2 || to.width < 2 || to.height < 2) {
            continue;
        }
        DIB source, target;
        source.SetWidthHeight(from.width, from.height);
        target.SetWidthHeight(to.width, to.height);
        for (std::int32_t y = 0; y < from.height; ++y) {
            for (std::int32_t x = 0; x < from.width; ++x) {
                const bool left = x < from.width / 2;
                const bool top = y < from.height / 2;
                source.SetPixel(x, y, top ? (left ? red : green) : (left ? blue : white));
            }
        }
        ASSERT_TRUE(scaler.Stretch(source, target)) << Describe(from, to);
        const std::int32_t right = to.width - 1;
        const std::int32_t bottom = to.height - 1;
        EXPECT_LE(MaxChannelDifference(target.Pixel(0, 0), red), 8) << Describe(from, to);
        EXPECT_LE(MaxChannelDifference(target.Pixel(right, 0), green), 8) << Describe(from, to);
        EXPECT_LE(MaxChannelDifference(target.Pixel(0, bottom), blue), 8) << Describe(from, to);
        EXPECT_LE(MaxChannelDifference(target.Pixel(right, bottom), white), 8)
            << Describe(from, to);
    }
}

// Stripes of 0 and 200 one pixel wide, shrunk to half their width, turn into an even 100: every
// frame pixel is the mean of the image pixels it covers, none of them is merely picked, also
// when the other side grows at the same time.
TEST(FrameScaler, ShrinkingByHalfAverages) {
    for (const auto& [from, to] :
         {std::pair{Size{64, 48}, Size{32, 24}}, std::pair{Size{64, 12}, Size{32, 24}}}) {
        DIB source, target;
        source.SetWidthHeight(from.width, from.height);
        target.SetWidthHeight(to.width, to.height);
        for (std::int32_t y = 0; y < from.height; ++y) {
            for (std::int32_t x = 0; x < from.width; ++x) {
                const std::uint8_t level = (x + y) % 2 == 0 ? 0 : 200;
                source.SetPixel(x, y, {level, level, level});
            }
        }
        FrameScaler scaler;
        ASSERT_TRUE(scaler.Stretch(source, target));
        int worst = 0;
        for (std::int32_t y = 0; y < to.height; ++y) {
            for (std::int32_t x = 0; x < to.width; ++x) {
                worst = std::max(worst, MaxChannelDifference(target.Pixel(x, y), {100, 100, 100}));
            }
        }
        EXPECT_LE(worst, 2) << Describe(from, to);
    }
}

// The scaler kept for one pair of sizes must not be used for another.
TEST(FrameScaler, SwitchingSizesGivesTheSameResultAsAFreshScaler) {
    DIB small, large, target;
    small.SetWidthHeight(8, 6);
    large.SetWidthHeight(40, 30);
    target.SetWidthHeight(20, 16);
    small.Fill({0, 0, 200});
    large.Fill({200, 0, 0});
    FrameScaler kept;
    ASSERT_TRUE(kept.Stretch(small, target));
    ASSERT_TRUE(kept.Stretch(large, target));
    EXPECT_EQ(target.Pixel(10, 8), (Bgr{200, 0, 0}));
    ASSERT_TRUE(kept.Stretch(small, target));
    EXPECT_EQ(target.Pixel(10, 8), (Bgr{0, 0, 200}));
}

TEST(FrameScaler, SameSizeIsAPlainCopy) {
    DIB source, target;
    source.SetWidthHeight(5, 3);
    target.SetWidthHeight(5, 3);
    source.SetPixel(4, 0, {1, 2, 3});
    source.SetPixel(0, 2, {4, 5, 6});
    FrameScaler scaler;
    ASSERT_TRUE(scaler.Stretch(source, target));
    EXPECT_EQ(target.Pixel(4, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(target.Pixel(0, 2), (Bgr{4, 5, 6}));
}

TEST(FrameScaler, WritesNothingWithoutSurfaces) {
    DIB none, target;
    target.SetWidthHeight(4, 4);
    target.Fill({9, 9, 9});
    FrameScaler scaler;
    EXPECT_FALSE(scaler.Stretch(none, target));
    EXPECT_EQ(target.Pixel(0, 0), (Bgr{9, 9, 9}));
    EXPECT_FALSE(scaler.Stretch(target, none));
}

// The whole frame path for an odd-size camera image: it fixes a 324 x 241 movie, goes into the
// image surface and is stretched 2 pixels wider into the movie surface, staying the same picture.
TEST(FrameScaler, OddWidthCameraImageFillsTheMovieFrame) {
    const auto bytes = testing::JpegBytes("broken/ok-odd-322x241.jpg");
    JpegDecoder decoder;
    const auto header = decoder.ReadHeader(bytes);
    ASSERT_TRUE(header);
    MovieSize size;
    FixMovieSize(size, header->width, header->height);
    ASSERT_EQ(size, (MovieSize{324, 241}));

    FrameSurfaces surfaces;
    DIB& target = surfaces.DecodeTarget(size, header->width, header->height);
    ASSERT_TRUE(surfaces.NeedsStretch(target));
    ASSERT_TRUE(decoder.Decode(bytes, *header, target));
    FrameScaler scaler;
    ASSERT_TRUE(scaler.Stretch(surfaces.image, surfaces.movie));

    // Column x of the image lands near column x * 324 / 322 of the frame, rows unchanged.
    double sum = 0;
    int count = 0;
    for (std::int32_t y = 0; y < 241; y += 5) {
        for (std::int32_t x = 0; x < 322; x += 7) {
            const Bgr frame = surfaces.movie.Pixel(x * 324 / 322, y);
            sum += std::abs(testing::Luma(frame) - testing::Luma(surfaces.image.Pixel(x, y)));
            ++count;
        }
    }
    EXPECT_LE(sum / count, 3);
}

}  // namespace
}  // namespace chronoreel
