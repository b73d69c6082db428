#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "imaging/decode_scale.h"
#include "imaging/dib.h"
#include "imaging/frame_renderer.h"
#include "imaging/frame_scaler.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/movie_size.h"
#include "imaging_fixtures.h"

namespace chronoreel {
namespace {

using testing::DecodeToSurface;
using testing::JpegBytes;
using testing::MeanChannelDifferences;

constexpr JpegScale kHalf{1, 2};
constexpr JpegScale kQuarter{1, 4};
constexpr JpegScale kEighth{1, 8};

std::string Text(JpegScale scale) {
    return std::to_string(scale.numerator) + "/" + std::to_string(scale.denominator);
}

bool SamePixels(const DIB& a, const DIB& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.SizeBytes() == b.SizeBytes() &&
           std::memcmp(a.DIBPtr(), b.DIBPtr(), a.SizeBytes()) == 0;
}

TEST(DecodeScale, ScaledSidesRoundUpAsTheDecoderDoes) {
    struct Case {
        std::int32_t side;
        JpegScale scale;
        std::int32_t scaled;
    };
    for (const Case& c : {Case{1920, kHalf, 960}, Case{1203, kHalf, 602}, Case{1203, kQuarter, 301},
                          Case{1203, kEighth, 151}, Case{1, kEighth, 1}, Case{7, kQuarter, 2},
                          Case{16384, kEighth, 2048}, Case{241, kJpegFullScale, 241}}) {
        EXPECT_EQ(ScaledSide(c.side, c.scale), c.scaled) << c.side << " at " << Text(c.scale);
    }
    for (const JpegScale scale : {kJpegFullScale, kHalf, kQuarter, kEighth}) {
        EXPECT_TRUE(DecoderOffersScale(scale)) << Text(scale);
    }
    EXPECT_FALSE(DecoderOffersScale({1, 3}));
    EXPECT_FALSE(DecoderOffersScale({0, 8}));
}

// The smallest scale whose decoded image still covers the movie on both sides, so the scaler
// after it only ever shrinks, and which divides both sides of the image exactly.
TEST(DecodeScale, SmallestExactScaleThatStillCoversTheMovie) {
    struct Case {
        std::int32_t imageWidth;
        std::int32_t imageHeight;
        MovieSize movie;
        JpegScale scale;
    };
    const Case cases[] = {
        {1920, 1280, {960, 640}, kHalf},
        {1920, 1280, {480, 320}, kQuarter},
        {1920, 1280, {240, 160}, kEighth},
        {1920, 1280, {100, 50}, kEighth},
        {1920, 1280, {640, 360}, kHalf},  // wider than the photo: the height decides
        {1920, 1280, {320, 180}, kQuarter},
        {1920, 1280, {336, 222}, kQuarter},
        {1920, 1280, {964, 640}, kJpegFullScale},  // one pixel above half on one side is enough
        {1920, 1280, {960, 641}, kJpegFullScale},
        {1920, 1280, {964, 641}, kJpegFullScale},
        {1920, 1280, {480, 1280}, kJpegFullScale},
        {1920, 1280, {3840, 2560}, kJpegFullScale},
        {1920, 1280, {}, kJpegFullScale},  // size still open: the image fixes it at full size
        {1920, 1080, {240, 135}, kEighth},
        // An eighth only where it gives the movie's side or leaves at least half of it.
        {1920, 1280, {236, 160}, kQuarter},
        {1920, 1280, {200, 100}, kQuarter},
        {1920, 1280, {120, 80}, kEighth},
        {1920, 1280, {240, 80}, kEighth},
        {1920, 1280, {124, 80}, kQuarter},
        // Sides that a factor does not divide fall back to a larger factor, or to full scale.
        {1922, 1280, {480, 320}, kHalf},
        {1920, 1284, {240, 160}, kQuarter},
        {1600, 1203, {800, 601}, kJpegFullScale},
        {1600, 1203, {200, 150}, kJpegFullScale},
        {322, 241, {80, 60}, kJpegFullScale},
        {8, 8, {4, 1}, kHalf},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(ChooseDecodeScale(c.imageWidth, c.imageHeight, c.movie)), Text(c.scale))
            << c.imageWidth << "x" << c.imageHeight << " into " << c.movie.width << "x"
            << c.movie.height;
    }
}

// A frame decoded at a scale and area-averaged the rest of the way stays within one unit per
// colour of the full decode area-averaged all the way, on real photos and on grey, CMYK and YCCK
// images; a movie above half the image on a side, or an image whose sides the scales do not
// divide, takes the full decode and gives the same bytes as before.
TEST(FrameRenderer, ScaledDecodeMatchesFullDecodeAndAreaAverage) {
    struct Case {
        const char* file;
        std::int32_t movieWidth;
        std::int32_t movieHeight;
        JpegScale scale;
    };
    const Case cases[] = {
        {"mate-Storm.jpg", 960, 640, kHalf},  // 1920x1280, 4:2:2
        {"mate-Storm.jpg", 480, 320, kQuarter},
        {"mate-Storm.jpg", 240, 160, kEighth},
        {"mate-Storm.jpg", 333, 222, kQuarter},
        {"mate-Storm.jpg", 640, 360, kHalf},
        {"mate-Storm.jpg", 320, 180, kQuarter},
        {"mate-Storm.jpg", 236, 150, kQuarter},
        {"mate-Storm.jpg", 100, 60, kEighth},
        {"mate-Storm.jpg", 964, 641, kJpegFullScale},
        {"mate-Wood.jpg", 1280, 960, kHalf},  // 2560x1920, 4:2:2
        {"mate-Wood.jpg", 640, 480, kQuarter},
        {"mate-Wood.jpg", 320, 240, kEighth},
        {"mate-Wood.jpg", 333, 222, kQuarter},  // 336 wide: an eighth (320) is too narrow
        {"mate-Wood.jpg", 300, 200, kQuarter},
        {"mate-Wood.jpg", 160, 120, kEighth},
        {"mate-Wood.jpg", 1284, 961, kJpegFullScale},
        // 1600x1203, progressive 4:2:0: no scale divides the height.
        {"mate-FreshFlower.jpg", 800, 601, kJpegFullScale},
        {"mate-FreshFlower.jpg", 400, 300, kJpegFullScale},
        {"mate-FreshFlower.jpg", 200, 150, kJpegFullScale},
        {"mate-FreshFlower.jpg", 333, 222, kJpegFullScale},
        {"mate-FreshFlower.jpg", 804, 602, kJpegFullScale},
        {"made-storm-320x240-grayscale.jpg", 160, 120, kHalf},
        {"made-storm-320x240-grayscale.jpg", 80, 60, kQuarter},
        {"made-storm-320x240-cmyk.jpg", 108, 72, kHalf},
        {"made-storm-320x240-cmyk.jpg", 40, 30, kEighth},
        {"made-storm-320x240-ycck.jpg", 80, 60, kQuarter},
        {"made-storm-320x240-ycck.jpg", 36, 20, kQuarter},
        {"made-storm-320x240-ycck.jpg", 20, 15, kEighth},
        {"broken/ok-odd-322x241.jpg", 160, 120, kJpegFullScale},
        {"broken/ok-cmyk-ycck.jpg", 40, 30, kJpegFullScale},
        {"ljt-testimgari.jpg", 112, 74, kJpegFullScale},  // 227x149, arithmetic coding
    };
    JpegDecoder decoder;
    std::map<std::string, DIB> fullDecodes;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " into " + std::to_string(c.movieWidth) + "x" +
                     std::to_string(c.movieHeight));
        const auto bytes = JpegBytes(c.file);
        if (!fullDecodes.contains(c.file)) {
            auto full = DecodeToSurface(decoder, bytes);
            ASSERT_TRUE(full);
            fullDecodes.emplace(c.file, std::move(*full));
        }
        const MovieSize size = MovieSizeFromSetup(c.movieWidth, c.movieHeight);
        DIB wanted;
        wanted.SetWidthHeight(size.width, size.height);
        FrameScaler scaler;
        ASSERT_TRUE(scaler.Stretch(fullDecodes.at(c.file), wanted));

        FrameRenderer renderer(size);
        ASSERT_TRUE(renderer.RenderJpeg(bytes));
        EXPECT_EQ(Text(renderer.LastDecodeScale()), Text(c.scale));
        if (c.scale == kJpegFullScale) {
            EXPECT_TRUE(SamePixels(renderer.MovieSurface(), wanted));
            continue;
        }
        const auto differences = MeanChannelDifferences(renderer.MovieSurface(), wanted);
        EXPECT_LE(differences[0], 1.0) << "blue";
        EXPECT_LE(differences[1], 1.0) << "green";
        EXPECT_LE(differences[2], 1.0) << "red";
    }
}

// A photo cut short is skipped as broken whatever scale it was decoded at, and the decoder takes
// the next whole photo as if nothing had happened.
TEST(FrameRenderer, AScaledDecodeThatFailsSkipsTheStillAsBroken) {
    struct Case {
        const char* file;
        std::int32_t movieWidth;
        std::int32_t movieHeight;
        JpegScale scale;
    };
    const Case cases[] = {
        {"mate-Storm.jpg", 480, 320, kQuarter},
        {"mate-Storm.jpg", 240, 160, kEighth},
        {"mate-Storm.jpg", 964, 641, kJpegFullScale},
        {"mate-Wood.jpg", 1280, 960, kHalf},
        {"made-storm-320x240-ycck.jpg", 80, 60, kQuarter},
        {"made-storm-320x240-grayscale.jpg", 40, 30, kEighth},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " into " + std::to_string(c.movieWidth) + "x" +
                     std::to_string(c.movieHeight));
        const auto whole = JpegBytes(c.file);
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() * 6 / 10);
        FrameRenderer renderer(MovieSizeFromSetup(c.movieWidth, c.movieHeight));
        EXPECT_FALSE(renderer.RenderJpeg(cut));
        EXPECT_EQ(renderer.LastSkip(), FrameSkip::kBroken);
        EXPECT_EQ(Text(renderer.LastDecodeScale()), Text(c.scale));
        EXPECT_TRUE(renderer.RenderJpeg(whole));
        EXPECT_EQ(renderer.LastSkip(), FrameSkip::kNone);
    }
}

// Frames of a run keep the movie surface whatever path each image takes, and an image rendered
// again after others gives the same frame.
TEST(FrameRenderer, FramesReuseTheMovieSurfaceAcrossImagesAndScales) {
    const auto storm = JpegBytes("mate-Storm.jpg");
    const auto wood = JpegBytes("mate-Wood.jpg");
    const auto flower = JpegBytes("mate-FreshFlower.jpg");
    FrameRenderer renderer(MovieSizeFromSetup(336, 222));
    ASSERT_TRUE(renderer.RenderJpeg(storm));
    const std::uint8_t* memory = renderer.MovieSurface().DIBPtr();
    DIB first;
    first.SetWidthHeight(336, 222);
    std::memcpy(first.DIBPtr(), memory, first.SizeBytes());
    for (const auto* bytes : {&wood, &flower, &storm, &storm}) {
        ASSERT_TRUE(renderer.RenderJpeg(*bytes));
        EXPECT_EQ(renderer.MovieSurface().DIBPtr(), memory);
    }
    EXPECT_TRUE(SamePixels(renderer.MovieSurface(), first));
}

}  // namespace
}  // namespace chronoreel
