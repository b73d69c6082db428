#pragma once

#include <cstdint>

#include "imaging/jpeg_decoder.h"
#include "imaging/movie_size.h"

namespace chronoreel {

// The scale to decode an image at for a movie of the given size: the smallest of 1/8, 1/4 and 1/2
// whose decoded size is still at least the movie size in both directions, so that what is left
// for the scaler is only ever shrinking; full scale when even 1/2 would be smaller than the movie
// on one side, or the size is still open. Decoding a 1920 × 1280 photo at 1/4 for a 320 × 180
// movie handles a sixteenth of the pixels.
//
// A scale is used only when it divides both sides of the image exactly. Otherwise the last
// decoded column or row stands for only part of a block, the scaler stretches it as a whole
// pixel, and the picture drifts by up to half a frame pixel towards that edge: on a detailed
// picture that differs from decoding in full and averaging areas by several units per colour,
// where an exact division stays well below one. Camera images have sides that are multiples of
// 8 or 16, so this costs nothing for them. An eighth, whose pixels are block means alone, is used
// only where it gives the movie's side exactly or at least twice it.
JpegScale ChooseDecodeScale(std::int32_t imageWidth, std::int32_t imageHeight,
                            const MovieSize& movie);

}  // namespace chronoreel
