#include "imaging/decode_scale.h"

namespace chronoreel {
namespace {

bool ShrinksExactly(std::int32_t side, JpegScale scale) {
    return (static_cast<std::int64_t>(side) * scale.numerator) % scale.denominator == 0;
}

// At 1/8 each decoded pixel is its block's mean alone. Stretched on by a ratio between 1 and 2,
// the scaler spreads each frame pixel over two or three such blocks, a wider blur than one area
// average of the image: several units per colour on a detailed picture. An eighth is therefore
// used only where it gives the movie's side exactly or leaves at least half of it to shrink.
bool LeavesAClearShrink(std::int32_t decodedSide, std::int32_t movieSide, JpegScale scale) {
    if (scale.denominator < 8) {
        return true;
    }
    return decodedSide == movieSide || decodedSide >= 2 * static_cast<std::int64_t>(movieSide);
}

bool Covers(std::int32_t imageSide, std::int32_t movieSide, JpegScale scale) {
    const std::int32_t decoded = ScaledSide(imageSide, scale);
    return ShrinksExactly(imageSide, scale) && decoded >= movieSide &&
           LeavesAClearShrink(decoded, movieSide, scale);
}

}  // namespace

JpegScale ChooseDecodeScale(std::int32_t imageWidth, std::int32_t imageHeight,
                            const MovieSize& movie) {
    if (!movie.IsFixed() || movie.height <= 0) {
        return kJpegFullScale;
    }
    // Smallest first: the first that still covers the movie is the cheapest decode.
    constexpr JpegScale kShrinkingScales[] = {{1, 8}, {1, 4}, {1, 2}};
    for (const JpegScale scale : kShrinkingScales) {
        if (Covers(imageWidth, movie.width, scale) && Covers(imageHeight, movie.height, scale) &&
            DecoderOffersScale(scale)) {
            return scale;
        }
    }
    return kJpegFullScale;
}

}  // namespace chronoreel
