#pragma once

#include <cstdint>

#include "imaging/dib.h"
#include "imaging/movie_size.h"

namespace chronoreel {

// The two surfaces of the frame loop, kept from frame to frame and from run to run: the movie
// surface, always of the movie size, in which every frame ends; and the image surface, of the
// current image's decoded size (its own size, or smaller when it is decoded at a scale), for
// images that must be stretched. Each is reallocated only when the size it must have changes.
struct FrameSurfaces {
    DIB movie;
    DIB image;

    // Brings the movie surface to the (fixed) movie size and returns the surface the decoder
    // must write an image of imageWidth × imageHeight into: the movie surface itself when the
    // image has exactly the movie size (no copy, no scaling), else the image surface, sized to
    // the image.
    DIB& DecodeTarget(const MovieSize& size, std::int32_t imageWidth, std::int32_t imageHeight);

    // True when target is the image surface, whose picture must still be stretched into the
    // movie surface.
    bool NeedsStretch(const DIB& target) const { return &target == &image; }
};

}  // namespace chronoreel
