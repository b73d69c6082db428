#include "imaging/frame_surfaces.h"

namespace chronoreel {

DIB& FrameSurfaces::DecodeTarget(const MovieSize& size, std::int32_t imageWidth,
                                 std::int32_t imageHeight) {
    movie.SetWidthHeight(size.width, size.height);
    if (size.Matches(imageWidth, imageHeight)) {
        return movie;
    }
    image.SetWidthHeight(imageWidth, imageHeight);
    return image;
}

}  // namespace chronoreel
