#include "imaging/movie_size.h"

#include <gtest/gtest.h>

#include "imaging/frame_surfaces.h"

namespace chronoreel {
namespace {

TEST(MovieSize, WidthRoundsUpToAMultipleOfFour) {
    struct Case {
        std::int32_t width;
        std::int32_t rounded;
    };
    for (const Case& c :
         {Case{1, 4}, Case{2, 4}, Case{3, 4}, Case{4, 4}, Case{5, 8}, Case{320, 320},
          Case{321, 324}, Case{322, 324}, Case{1600, 1600}, Case{16383, 16384}}) {
        EXPECT_EQ(RoundUpToMultipleOf4(c.width), c.rounded) << c.width;
    }
    EXPECT_EQ(MovieSizeFromSetup(321, 241), (MovieSize{324, 241}));
}

// The first image whose header was read fixes the size; later images never change it.
TEST(MovieSize, FirstReadableImageFixesTheSize) {
    MovieSize size;
    EXPECT_FALSE(size.IsFixed());
    FixMovieSize(size, 322, 241);
    EXPECT_EQ(size, (MovieSize{324, 241}));
    FixMovieSize(size, 640, 480);
    EXPECT_EQ(size, (MovieSize{324, 241}));

    MovieSize fromSetup = MovieSizeFromSetup(320, 240);
    FixMovieSize(fromSetup, 640, 480);
    EXPECT_EQ(fromSetup, (MovieSize{320, 240}));
}

TEST(FrameSurfaces, ImageOfTheMovieSizeGoesStraightIntoTheMovieSurface) {
    FrameSurfaces surfaces;
    const MovieSize size{320, 240};
    DIB& first = surfaces.DecodeTarget(size, 320, 240);
    EXPECT_EQ(&first, &surfaces.movie);
    EXPECT_FALSE(surfaces.NeedsStretch(first));
    ASSERT_TRUE(surfaces.movie.HasSurface());
    const std::uint8_t* memory = surfaces.movie.DIBPtr();
    // Frame after frame the same memory is used: nothing is reallocated.
    DIB& second = surfaces.DecodeTarget(size, 320, 240);
    EXPECT_EQ(&second, &surfaces.movie);
    EXPECT_EQ(surfaces.movie.DIBPtr(), memory);
    EXPECT_FALSE(surfaces.image.HasSurface());
}

TEST(FrameSurfaces, ImageOfAnotherSizeGoesIntoTheImageSurfaceAtItsOwnSize) {
    struct Case {
        MovieSize movie;
        std::int32_t imageWidth;
        std::int32_t imageHeight;
    };
    // A 322 x 241 image never has the size of the 324 x 241 movie it fixed.
    for (const Case& c : {Case{{324, 241}, 322, 241}, Case{{320, 240}, 640, 480},
                          Case{{320, 240}, 160, 200}, Case{{320, 240}, 320, 241}}) {
        FrameSurfaces surfaces;
        DIB& target = surfaces.DecodeTarget(c.movie, c.imageWidth, c.imageHeight);
        EXPECT_EQ(&target, &surfaces.image) << c.imageWidth << "x" << c.imageHeight;
        EXPECT_TRUE(surfaces.NeedsStretch(target));
        EXPECT_EQ(target.Width(), c.imageWidth);
        EXPECT_EQ(target.Height(), c.imageHeight);
        EXPECT_EQ(surfaces.movie.Width(), c.movie.width);
        EXPECT_EQ(surfaces.movie.Height(), c.movie.height);
        EXPECT_TRUE(surfaces.movie.HasSurface());
    }
}

// An image surface of the same size as the last frame's keeps its memory, as the movie surface
// does: a run of same-size stills that must be stretched allocates nothing per frame.
TEST(FrameSurfaces, ImageSurfaceOfARepeatedSizeKeepsItsMemory) {
    FrameSurfaces surfaces;
    const MovieSize size{320, 180};
    const std::uint8_t* memory = surfaces.DecodeTarget(size, 480, 320).DIBPtr();
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(surfaces.DecodeTarget(size, 480, 320).DIBPtr(), memory);
    EXPECT_NE(surfaces.DecodeTarget(size, 640, 480).DIBPtr(), nullptr);
    EXPECT_EQ(surfaces.image.Width(), 640);
}

}  // namespace
}  // namespace chronoreel
