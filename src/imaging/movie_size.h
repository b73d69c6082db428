#pragma once

#include <cstdint>

namespace chronoreel {

// The size of every frame of a run. Width 0 means the size is still open: it is then fixed by
// the first image of the run, in output order, whose header could be read, and holds for the
// rest of the run. The width is always a multiple of 4, so a 24-bit row needs no padding.
struct MovieSize {
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool IsFixed() const { return width != 0; }
    bool Matches(std::int32_t imageWidth, std::int32_t imageHeight) const {
        return imageWidth == width && imageHeight == height;
    }
    friend bool operator==(const MovieSize&, const MovieSize&) = default;
};

// Rounds a width up to the next multiple of 4 when it is not one (321 gives 324, 1 gives 4).
std::int32_t RoundUpToMultipleOf4(std::int32_t pixels);

// The movie size given in the setup (width rounded up to a multiple of 4).
MovieSize MovieSizeFromSetup(std::int32_t width, std::int32_t height);

// Fixes a size that is still open from the image whose header was just read (a 322 × 241 image
// gives 324 × 241); a fixed size stays as it is.
void FixMovieSize(MovieSize& size, std::int32_t imageWidth, std::int32_t imageHeight);

}  // namespace chronoreel
