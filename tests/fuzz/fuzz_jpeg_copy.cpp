// A still checked for going into a Motion JPEG movie unchanged. An accepted still gives a frame
// that starts and ends the image, is no larger than the still, is accepted again as the same
// frame, and whose header the decoder reads with the same size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "imaging/jpeg_copy_check.h"
#include "imaging/jpeg_decoder.h"

using namespace chronoreel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> jpeg(data, size);
    std::vector<std::uint8_t> frame;
    const auto frameSize = ExtractCopyableJpeg(jpeg, frame);
    if (!frameSize) {
        return 0;
    }
    FUZZ_CHECK(frameSize->width >= 1 && frameSize->width <= kMaxJpegSidePixels);
    FUZZ_CHECK(frameSize->height >= 1 && frameSize->height <= kMaxJpegSidePixels);
    FUZZ_CHECK(frame.size() >= 4 && frame.size() <= size);
    FUZZ_CHECK(frame[0] == 0xFF && frame[1] == 0xD8);
    FUZZ_CHECK(frame[frame.size() - 2] == 0xFF && frame.back() == 0xD9);

    std::vector<std::uint8_t> again;
    const auto againSize = ExtractCopyableJpeg(frame, again);
    FUZZ_CHECK(againSize && againSize->width == frameSize->width &&
               againSize->height == frameSize->height);
    FUZZ_CHECK(again == frame);

    JpegDecoder decoder;
    const auto header = decoder.ReadHeader(frame);
    FUZZ_CHECK(header && header->width == frameSize->width && header->height == frameSize->height);
    return 0;
}
