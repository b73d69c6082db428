// A still as a camera folder may hold it: its header read, the image decoded into the surface
// the run picks for it and stretched to the movie size, once with the movie size left to the
// image (a straight decode into the movie surface) and once with a small fixed size (a decode at
// 1/2, 1/4 or 1/8 when the image's sides allow, then a stretch).
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "imaging/frame_renderer.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/movie_size.h"

using namespace chronoreel;

namespace {

// Images larger than this are only read, not decoded: a decode takes time in proportion to the
// claimed size whatever the input's size, which would only slow the search down.
constexpr std::int64_t kMaxDecodedPixels = 1 << 21;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> jpeg(data, size);
    JpegDecoder decoder;
    const auto header = decoder.ReadHeader(jpeg);
    if (!header) {
        return 0;
    }
    FUZZ_CHECK(header->width >= 1 && header->width <= kMaxJpegSidePixels);
    FUZZ_CHECK(header->height >= 1 && header->height <= kMaxJpegSidePixels);
    if (std::int64_t{header->width} * header->height > kMaxDecodedPixels) {
        return 0;
    }
    for (const MovieSize size : {MovieSize{}, MovieSizeFromSetup(36, 20)}) {
        FrameRenderer renderer(size);
        const bool rendered = renderer.RenderJpeg(jpeg);
        // The first readable header fixes the size, whether or not the image then decodes.
        FUZZ_CHECK(renderer.Size().IsFixed());
        FUZZ_CHECK(renderer.Size().width % 4 == 0);
        if (rendered) {
            FUZZ_CHECK(renderer.MovieSurface().HasSurface());
            FUZZ_CHECK(renderer.MovieSurface().Width() == renderer.Size().width);
            FUZZ_CHECK(renderer.MovieSurface().Height() == renderer.Size().height);
        }
    }
    return 0;
}
