#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace chronoreel {

struct JpegFrameSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Whether a still can go into a Motion JPEG movie as it is, without decoding and encoding it
// again: a sequential Huffman JPEG (baseline or extended) with 8-bit samples, three YCbCr
// components sampled 4:2:0, 4:2:2 or 4:4:4 in one interleaved scan, its own Huffman tables, and
// every marker readable through to the end-of-image marker (a half-written file is refused).
// Anything else, or anything odd, gives nullopt.
//
// When it can, frame receives what the movie stores: the still without its application and
// comment segments (EXIF, thumbnails with a second start-of-image, previews), and without any
// bytes after the end-of-image marker. The buffer is reused, so it grows only for a larger still.
std::optional<JpegFrameSize> ExtractCopyableJpeg(std::span<const std::uint8_t> jpeg,
                                                 std::vector<std::uint8_t>& frame);

}  // namespace chronoreel
