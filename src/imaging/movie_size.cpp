#include "imaging/movie_size.h"

#include <limits>

#include "base/app_error.h"

namespace chronoreel {

std::int32_t RoundUpToMultipleOf4(std::int32_t pixels) {
    if (pixels % 4 == 0) {
        return pixels;
    }
    // Widths come from the setup (1 to 1600) or from a checked JPEG header (at most 16384).
    if (pixels > std::numeric_limits<std::int32_t>::max() - 4) {
        throw AppError(kErrOverflow, "Overflow");
    }
    return (pixels / 4 + 1) * 4;
}

MovieSize MovieSizeFromSetup(std::int32_t width, std::int32_t height) {
    return {RoundUpToMultipleOf4(width), height};
}

void FixMovieSize(MovieSize& size, std::int32_t imageWidth, std::int32_t imageHeight) {
    if (!size.IsFixed()) {
        size = {RoundUpToMultipleOf4(imageWidth), imageHeight};
    }
}

}  // namespace chronoreel
